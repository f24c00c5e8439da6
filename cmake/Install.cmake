# cmake --install: the programs, the skin and the two run-time libraries go
# together into PREFIX/lib/velmora (the programs find them beside themselves),
# with links in PREFIX/bin, a desktop entry and an icon.
include(GNUInstallDirs)
set(VELMORA_INSTALL_HOME lib/velmora)

set(velmora_programs velmora-cli)
if(VELMORA_GUI)
    list(APPEND velmora_programs velmora)
endif()
install(TARGETS ${velmora_programs} RUNTIME DESTINATION ${VELMORA_INSTALL_HOME})
install(TARGETS vcedit wmaudsdk LIBRARY DESTINATION ${VELMORA_INSTALL_HOME})

foreach(program ${velmora_programs})
    install(CODE "
        set(bin \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
        file(MAKE_DIRECTORY \"\${bin}\")
        file(REMOVE \"\${bin}/${program}\")
        file(CREATE_LINK \"../${VELMORA_INSTALL_HOME}/${program}\" \"\${bin}/${program}\" SYMBOLIC)
        message(STATUS \"Installing: \${bin}/${program} -> ../${VELMORA_INSTALL_HOME}/${program}\")")
endforeach()

if(VELMORA_GUI)
    install(FILES ${PROJECT_SOURCE_DIR}/app/mp3enc.skn DESTINATION ${VELMORA_INSTALL_HOME})
    install(FILES ${PROJECT_SOURCE_DIR}/data/velmora.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${PROJECT_SOURCE_DIR}/data/velmora.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
