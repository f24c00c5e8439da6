# The layers and what each may include.
#
# Sources include by the path from the project's root ("base/FileLayer.h",
# "tags/id3/Unit2.h"). A library does not see the project's root: it sees
# include roots under the build folder that hold symbolic links to the parts
# of the source tree it may use, and the roots of what it links. A wrong
# include therefore fails to build:
#   base        sees base/
#   components  see components/ and base/ (never tags/ or core/)
#   tags        see tags/, base/ and the public headers of the two components
#               the units load at run time (never core/ or component internals)
#   core        sees core/, the tag units and base/; what links the core sees
#               core/, tags/common/ and base/ only
#   cli, app    see their own folder and what they link
# Tests, benchmarks and fuzz targets see the whole tree.

set(VELMORA_INCLUDE_ROOTS ${CMAKE_BINARY_DIR}/include-roots)
file(REMOVE_RECURSE ${VELMORA_INCLUDE_ROOTS})

# velmora_include_root(NAME PATH...): a root named NAME showing the given
# folders or headers of the source tree at their own relative place.
function(velmora_include_root name)
    foreach(path ${ARGN})
        set(link ${VELMORA_INCLUDE_ROOTS}/${name}/${path})
        get_filename_component(parent ${link} DIRECTORY)
        file(MAKE_DIRECTORY ${parent})
        file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${path} ${link} SYMBOLIC)
    endforeach()
endfunction()

velmora_include_root(base base)
velmora_include_root(components components)
velmora_include_root(tags tags)
velmora_include_root(fields tags/common)
velmora_include_root(core core)
velmora_include_root(cli cli)
velmora_include_root(app app)
# The public interfaces of the comment editing library and the WMA SDK.
velmora_include_root(component-interfaces
    components/vcedit/vcedit.h
    components/wmaudsdk/WMAudioSdk.h
    components/wmaudsdk/FileName.h)

# The shared field model alone, for what uses the core.
add_library(velmora_fields INTERFACE)
target_include_directories(velmora_fields INTERFACE ${VELMORA_INCLUDE_ROOTS}/fields)
target_link_libraries(velmora_fields INTERFACE velmora_base)

# Removes the project's root, also inside $<BUILD_INTERFACE:...>, from a list
# of include folders.
function(velmora_without_project_root list)
    string(REGEX REPLACE "([][+.*()^$])" "\\\\\\1" root "${PROJECT_SOURCE_DIR}")
    set(dirs ${${list}})
    list(FILTER dirs EXCLUDE REGEX "^(\\$<BUILD_INTERFACE:)?${root}/?>?$")
    set(${list} ${dirs} PARENT_SCOPE)
endfunction()

function(velmora_targets_under dir out)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(sub ${subdirs})
        velmora_targets_under(${sub} more)
        list(APPEND targets ${more})
    endforeach()
    set(${out} ${targets} PARENT_SCOPE)
endfunction()

# velmora_layer(DIRECTORY dir ROOTS name... [PUBLIC_ROOTS name...]): every
# library and program defined under dir sees the given roots instead of the
# project's root and hands the public ones (default: the first) on to what
# links it.
function(velmora_layer)
    cmake_parse_arguments(L "" "DIRECTORY" "ROOTS;PUBLIC_ROOTS" ${ARGN})
    if(NOT L_PUBLIC_ROOTS)
        list(GET L_ROOTS 0 L_PUBLIC_ROOTS)
    endif()
    set(roots)
    foreach(root ${L_ROOTS})
        list(APPEND roots ${VELMORA_INCLUDE_ROOTS}/${root})
    endforeach()
    set(own)
    foreach(root ${L_PUBLIC_ROOTS})
        list(APPEND own ${VELMORA_INCLUDE_ROOTS}/${root})
    endforeach()
    velmora_targets_under(${PROJECT_SOURCE_DIR}/${L_DIRECTORY} targets)
    foreach(target ${targets})
        get_target_property(type ${target} TYPE)
        if(NOT type MATCHES "^(STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY|EXECUTABLE|INTERFACE_LIBRARY)$")
            continue()
        endif()
        if(NOT type STREQUAL "INTERFACE_LIBRARY")
            get_target_property(dirs ${target} INCLUDE_DIRECTORIES)
            if(NOT dirs)
                set(dirs)
            endif()
            velmora_without_project_root(dirs)
            set_property(TARGET ${target} PROPERTY INCLUDE_DIRECTORIES ${dirs} ${roots})
        endif()
        if(NOT type STREQUAL "EXECUTABLE")
            get_target_property(dirs ${target} INTERFACE_INCLUDE_DIRECTORIES)
            if(NOT dirs)
                set(dirs)
            endif()
            velmora_without_project_root(dirs)
            set_property(TARGET ${target} PROPERTY INTERFACE_INCLUDE_DIRECTORIES ${dirs} ${own})
        endif()
    endforeach()
endfunction()

# Called once every layer is defined.
function(velmora_apply_layers)
    velmora_layer(DIRECTORY base ROOTS base)
    velmora_layer(DIRECTORY components ROOTS components)
    velmora_layer(DIRECTORY tags ROOTS tags component-interfaces
                  PUBLIC_ROOTS tags component-interfaces)
    if(TARGET velmora_core)
        velmora_layer(DIRECTORY core ROOTS core)
    endif()
    if(TARGET velmora-cli)
        velmora_layer(DIRECTORY cli ROOTS cli)
    endif()
    if(VELMORA_GUI)
        velmora_layer(DIRECTORY app ROOTS app)
    endif()
endfunction()
