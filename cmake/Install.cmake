# `cmake --install` layout (prefix /usr for the Debian package):
#   bin/                         VolmarSetup, Inspecta, volmarctl, volmar-sim
#   share/volmar/DarOzazoz_*/    the firmware loader folders and templates
#   share/applications/, share/icons/hicolor/, share/metainfo/
#   share/man/man1/
#   lib/udev/rules.d/            70-volmar.rules
# The configurator finds the loader folders in share/volmar/ and the viewer
# beside itself in bin/ (volmar/app/ProgramFolders.h).

include(GNUInstallDirs)

set(VOLMAR_APP_ID_PREFIX org.example.volmar)
set(VOLMAR_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

foreach(program IN ITEMS VolmarSetup Inspecta volmarctl volmar-sim)
    if(TARGET ${program})
        install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    endif()
endforeach()

foreach(loader IN ITEMS atmeldfu arduino teensy2)
    install(FILES ${PROJECT_SOURCE_DIR}/data/loaders/DarOzazoz_${loader}/${loader}.sh
            DESTINATION ${CMAKE_INSTALL_DATADIR}/volmar/DarOzazoz_${loader})
endforeach()

# udev reads lib/udev/rules.d below /usr, whatever the library folder is called.
install(FILES ${PROJECT_SOURCE_DIR}/data/70-volmar.rules DESTINATION lib/udev/rules.d)

install(FILES ${VOLMAR_PACKAGING_DIR}/man/volmarctl.1 ${VOLMAR_PACKAGING_DIR}/man/volmar-sim.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

foreach(gui IN ITEMS VolmarSetup Inspecta)
    if(NOT TARGET ${gui})
        continue()
    endif()
    set(id ${VOLMAR_APP_ID_PREFIX}.${gui})
    install(FILES ${VOLMAR_PACKAGING_DIR}/${id}.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${VOLMAR_PACKAGING_DIR}/${id}.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    install(FILES ${VOLMAR_PACKAGING_DIR}/man/${gui}.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${VOLMAR_PACKAGING_DIR}/icons/${id}.svg
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    foreach(size IN ITEMS 16 24 32 48 64 128 256)
        install(FILES ${VOLMAR_PACKAGING_DIR}/icons/${size}x${size}/${id}.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
endforeach()
