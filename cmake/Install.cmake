# The program's assets and where they go: the window icon compiled into the
# executable, the usage page next to the executable in the build tree, and
# the install layout a Linux desktop looks in (bin, hicolor icons,
# applications, metainfo, share/seqget). Included from the top-level CMakeLists.txt
# after the seqget target exists.
include(GNUInstallDirs)

set(SEQGET_DATA_DIR ${PROJECT_SOURCE_DIR}/data)
set(SEQGET_ICON_SIZES 16 32 48 64 128 256)

# The program looks for its usage page in <dir of executable>/usage and, when
# installed, in <dir of executable>/../share/seqget/usage. Copying it at build
# time (not configure time) keeps an edited page current after every build.
set(SEQGET_USAGE_PAGE ${SEQGET_DATA_DIR}/usage/index.html)
get_target_property(seqget_bin_dir seqget RUNTIME_OUTPUT_DIRECTORY)
add_custom_command(
    OUTPUT ${seqget_bin_dir}/usage/index.html
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${SEQGET_USAGE_PAGE}
            ${seqget_bin_dir}/usage/index.html
    DEPENDS ${SEQGET_USAGE_PAGE}
    COMMENT "Copying the usage page next to seqget"
    VERBATIM)
add_custom_target(seqget_usage_page ALL DEPENDS ${seqget_bin_dir}/usage/index.html)
add_dependencies(seqget seqget_usage_page)

# The desktop entry carries the file version, kept in one place above.
configure_file(${SEQGET_DATA_DIR}/seqget.desktop.in ${PROJECT_BINARY_DIR}/seqget.desktop @ONLY)

install(TARGETS seqget RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${SEQGET_USAGE_PAGE} DESTINATION ${CMAKE_INSTALL_DATADIR}/seqget/usage)
install(FILES ${PROJECT_BINARY_DIR}/seqget.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${SEQGET_DATA_DIR}/io.github.seqget.Seqget.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size IN LISTS SEQGET_ICON_SIZES)
    install(FILES ${SEQGET_DATA_DIR}/icons/seqget-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME seqget.png)
endforeach()
