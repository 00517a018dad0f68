# Install layout: the programs in bin/, the device library in a private
# folder that only these programs search (RUNPATH relative to their own
# folder, so an installed tree can move and needs no LD_LIBRARY_PATH), and
# what the desktop needs to list them in its menu.

include(GNUInstallDirs)

# Debian's place for a private library is lib/<multiarch>/<package>; in a
# folder right below lib/ CPack would add needless ldconfig calls.
if(CMAKE_LIBRARY_ARCHITECTURE)
    set(kivra_default_private_libdir "lib/${CMAKE_LIBRARY_ARCHITECTURE}/kivratolm")
else()
    set(kivra_default_private_libdir "${CMAKE_INSTALL_LIBDIR}/kivratolm")
endif()
set(KIVRA_PRIVATE_LIBDIR "${kivra_default_private_libdir}"
    CACHE STRING "Folder below the prefix for the device library the programs load")
set(KIVRA_DOCDIR "${CMAKE_INSTALL_DATADIR}/doc/kivra-lite")

file(RELATIVE_PATH kivra_bin_to_private_lib
    "/prefix/${CMAKE_INSTALL_BINDIR}" "/prefix/${KIVRA_PRIVATE_LIBDIR}")

# The DAQ program starts the CAL program from its own folder, so both stay
# in bin/ together; the capture tool for scripts goes beside them.
set(kivra_programs kivratolm-daq-lite-x86 kivratolm-cal-lite-x86 kivratolm-capture)
set_target_properties(${kivra_programs} PROPERTIES
    INSTALL_RPATH "$ORIGIN/${kivra_bin_to_private_lib}")
install(TARGETS ${kivra_programs}
    RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}" COMPONENT programs)

if(KIVRA_EMULATED)
    # Not executable: a private library that nothing runs directly.
    install(TARGETS kivratolm-1.3-x86
        LIBRARY DESTINATION "${KIVRA_PRIVATE_LIBDIR}"
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
        COMPONENT programs)
    install(TARGETS kivratolm-board-emulator
        RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}" COMPONENT programs)
endif()

set(kivra_packaging "${PROJECT_SOURCE_DIR}/packaging")
set(kivra_app_ids com.orvane.KivraDaqLite com.orvane.KivraCalLite)

install(FILES
    "${kivra_packaging}/com.orvane.KivraDaqLite.desktop"
    "${kivra_packaging}/com.orvane.KivraCalLite.desktop"
    DESTINATION "${CMAKE_INSTALL_DATADIR}/applications" COMPONENT programs)
install(FILES
    "${kivra_packaging}/com.orvane.KivraDaqLite.metainfo.xml"
    "${kivra_packaging}/com.orvane.KivraCalLite.metainfo.xml"
    DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo" COMPONENT programs)

foreach(app_id IN LISTS kivra_app_ids)
    foreach(size 16 22 24 32 48 64 128 256)
        install(FILES "${kivra_packaging}/icons/${size}x${size}/${app_id}.png"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps"
            COMPONENT programs)
    endforeach()
    install(FILES "${kivra_packaging}/icons/scalable/${app_id}.svg"
        DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps"
        COMPONENT programs)
endforeach()

# Manual pages and the change log go compressed, as the Debian tools expect;
# -n keeps the archives identical from build to build.
find_program(KIVRA_GZIP gzip REQUIRED)
set(kivra_gzipped)
file(MAKE_DIRECTORY "${CMAKE_BINARY_DIR}/packaging")
foreach(source
        "man/kivratolm-daq-lite-x86.1"
        "man/kivratolm-cal-lite-x86.1"
        "man/kivratolm-capture.1"
        "man/kivratolm-board-emulator.1"
        "debian/changelog")
    get_filename_component(name "${source}" NAME)
    set(output "${CMAKE_BINARY_DIR}/packaging/${name}.gz")
    add_custom_command(OUTPUT "${output}"
        COMMAND "${KIVRA_GZIP}" -9nc "${kivra_packaging}/${source}" > "${output}"
        DEPENDS "${kivra_packaging}/${source}"
        COMMENT "Compressing ${source}"
        VERBATIM)
    list(APPEND kivra_gzipped "${output}")
endforeach()
add_custom_target(kivra_packaging_files ALL DEPENDS ${kivra_gzipped})

set(kivra_man_pages
    "${CMAKE_BINARY_DIR}/packaging/kivratolm-daq-lite-x86.1.gz"
    "${CMAKE_BINARY_DIR}/packaging/kivratolm-cal-lite-x86.1.gz"
    "${CMAKE_BINARY_DIR}/packaging/kivratolm-capture.1.gz")
if(KIVRA_EMULATED)
    list(APPEND kivra_man_pages "${CMAKE_BINARY_DIR}/packaging/kivratolm-board-emulator.1.gz")
endif()
install(FILES ${kivra_man_pages}
    DESTINATION "${CMAKE_INSTALL_MANDIR}/man1" COMPONENT programs)

install(FILES "${kivra_packaging}/debian/copyright"
    DESTINATION "${KIVRA_DOCDIR}" COMPONENT programs)
install(FILES "${kivra_packaging}/debian/lintian-overrides"
    DESTINATION "${CMAKE_INSTALL_DATADIR}/lintian/overrides" RENAME kivra-lite COMPONENT programs)
install(FILES "${CMAKE_BINARY_DIR}/packaging/changelog.gz"
    DESTINATION "${KIVRA_DOCDIR}" RENAME changelog.Debian.gz COMPONENT programs)
install(FILES "${PROJECT_SOURCE_DIR}/docs/USER_GUIDE.md"
    DESTINATION "${KIVRA_DOCDIR}" COMPONENT programs)
install(DIRECTORY "${PROJECT_SOURCE_DIR}/docs/images"
    DESTINATION "${KIVRA_DOCDIR}" COMPONENT programs
    FILES_MATCHING PATTERN "*.png")
# The guide the programs open with F1, in a folder of its own: /usr/share/doc
# may be left out of a system (path-exclude), the guide must not.
install(DIRECTORY "${KIVRA_GUIDE_DIR}/"
    DESTINATION "${CMAKE_INSTALL_DATADIR}/kivra-lite/guide" COMPONENT programs)
install(FILES "${PROJECT_SOURCE_DIR}/examples/demo.tolmcal3"
    "${PROJECT_SOURCE_DIR}/examples/systemd/serve.conf"
    DESTINATION "${KIVRA_DOCDIR}/examples" COMPONENT programs)
install(FILES
    "${PROJECT_SOURCE_DIR}/examples/mosquitto/kivratolm.conf"
    "${PROJECT_SOURCE_DIR}/examples/mosquitto/kivratolm.acl"
    DESTINATION "${KIVRA_DOCDIR}/examples/mosquitto" COMPONENT programs)

# The unit template of a served bench, not enabled by anything. With the
# prefix /usr (the package) systemd's folder is /lib/systemd/system, outside
# the prefix; any other prefix keeps it inside, so that an install into a
# private folder never writes to the system. Decided at install time, when
# the prefix is known.
install(CODE "
    if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
        set(kivra_unit_dir \"/lib/systemd/system\")
    else()
        set(kivra_unit_dir \"\${CMAKE_INSTALL_PREFIX}/lib/systemd/system\")
    endif()
    file(INSTALL \"${kivra_packaging}/systemd/kivratolm-capture-serve@.service\"
        DESTINATION \"\${kivra_unit_dir}\")"
    COMPONENT programs)
