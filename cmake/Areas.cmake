# velmora_add_areas(GUI_ONLY area...): adds every subfolder of the current
# folder that has a CMakeLists.txt, in name order; the areas named GUI_ONLY
# need the Qt parts and are left out when those are not built.
function(velmora_add_areas)
    cmake_parse_arguments(A "" "" "GUI_ONLY" ${ARGN})
    file(GLOB lists RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*/CMakeLists.txt)
    list(SORT lists)
    foreach(list ${lists})
        get_filename_component(area ${list} DIRECTORY)
        if(NOT VELMORA_GUI AND area IN_LIST A_GUI_ONLY)
            continue()
        endif()
        add_subdirectory(${area})
    endforeach()
endfunction()
