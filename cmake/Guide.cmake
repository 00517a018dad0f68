# The user guide as HTML with its pictures, which the programs open with F1:
# made from docs/USER_GUIDE.md by scripts/guide-html.py (Debian's
# python3-markdown) into share/kivra-lite/guide/ of the build folder, beside
# bin/ as in the installed tree, so the programs built here find it too.

# Debian's own Python, which has the Debian package's module, whatever other
# Python comes first on the PATH.
find_program(KIVRA_GUIDE_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(NOT KIVRA_GUIDE_PYTHON)
    find_program(KIVRA_GUIDE_PYTHON python3 REQUIRED)
endif()
execute_process(COMMAND "${KIVRA_GUIDE_PYTHON}" -c "import markdown"
    RESULT_VARIABLE kivra_markdown_missing OUTPUT_QUIET ERROR_QUIET)
if(kivra_markdown_missing)
    message(FATAL_ERROR "${KIVRA_GUIDE_PYTHON} lacks the markdown module: install python3-markdown "
        "(scripts/setup.sh does)")
endif()

set(KIVRA_GUIDE_DIR "${CMAKE_BINARY_DIR}/share/kivra-lite/guide")
file(GLOB_RECURSE kivra_guide_pictures CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/docs/images/*.png")
add_custom_command(OUTPUT "${KIVRA_GUIDE_DIR}/index.html"
    COMMAND "${CMAKE_COMMAND}" -E remove_directory "${KIVRA_GUIDE_DIR}"
    COMMAND "${KIVRA_GUIDE_PYTHON}" "${PROJECT_SOURCE_DIR}/scripts/guide-html.py"
        "${PROJECT_SOURCE_DIR}/docs/USER_GUIDE.md" "${KIVRA_GUIDE_DIR}"
    DEPENDS "${PROJECT_SOURCE_DIR}/docs/USER_GUIDE.md" "${PROJECT_SOURCE_DIR}/scripts/guide-html.py"
        ${kivra_guide_pictures}
    COMMENT "Making the user guide's HTML"
    VERBATIM)
add_custom_target(kivra_guide ALL DEPENDS "${KIVRA_GUIDE_DIR}/index.html")
# Started from the build tree, the programs open this one.
add_dependencies(kivratolm-daq-lite-x86 kivra_guide)
add_dependencies(kivratolm-cal-lite-x86 kivra_guide)
