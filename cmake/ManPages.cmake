# The manual pages of the three programs, made at build time from their references (docs/*.md)
# and from each program's own --help, so a page cannot say something else than they do; the
# tests manpages.help_options_in_docs.* check that every option --help names is in the
# reference the page is made from.

include(GNUInstallDirs)
set(VELTRA_MAN_DIR ${CMAKE_BINARY_DIR}/man)

add_executable(md2man tools/md2man.cpp)
set_target_properties(md2man PROPERTIES AUTOMOC OFF)

# veltra_manpage(<program> SUMMARY <text> MD <file> [FROM <heading>] [TO <heading>])
function(veltra_manpage program)
    cmake_parse_arguments(ARG "" "SUMMARY;MD;FROM;TO" "" ${ARGN})
    set(help ${VELTRA_MAN_DIR}/${program}.help)
    set(page ${VELTRA_MAN_DIR}/${program}.1)
    add_custom_command(
        OUTPUT ${help}
        COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${program}> -DOUT=${help}
                -P ${CMAKE_SOURCE_DIR}/cmake/HelpTexts.cmake
        DEPENDS ${program} ${CMAKE_SOURCE_DIR}/cmake/HelpTexts.cmake
        COMMENT "The --help of ${program}")
    set(range)
    if(ARG_FROM)
        list(APPEND range --from ${ARG_FROM})
    endif()
    if(ARG_TO)
        list(APPEND range --to ${ARG_TO})
    endif()
    add_custom_command(
        OUTPUT ${page}.gz
        COMMAND md2man --name ${program} --summary ${ARG_SUMMARY} --version ${PROJECT_VERSION}
                --md ${CMAKE_SOURCE_DIR}/${ARG_MD} ${range} --help-file ${help} -o ${page}
        COMMAND gzip -9nf ${page}
        DEPENDS md2man ${help} ${CMAKE_SOURCE_DIR}/${ARG_MD}
        COMMENT "The manual page of ${program}"
        VERBATIM)
    add_custom_target(manpage_${program} ALL DEPENDS ${page}.gz)
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    if(VELTRA_TESTS)
        add_test(NAME manpages.help_options_in_docs.${program}
                 COMMAND ${CMAKE_COMMAND} -DHELP=${help} -DMD=${CMAKE_SOURCE_DIR}/${ARG_MD} -DFROM=${ARG_FROM}
                         -DTO=${ARG_TO} -P ${CMAKE_SOURCE_DIR}/cmake/CheckHelpInDocs.cmake)
        set_tests_properties(manpages.help_options_in_docs.${program} PROPERTIES LABELS lint)
    endif()
endfunction()

veltra_manpage(veltra-terminal SUMMARY "terminal for the Veltra lap timer and data logger"
               MD docs/veltra-terminal.md)
veltra_manpage(veltra SUMMARY "the VeltraTerminal procedures on the command line"
               MD docs/veltra-cli.md TO "The simulated logger")
veltra_manpage(veltra-logger-sim SUMMARY "simulated Veltra lap timer and data logger"
               MD docs/veltra-cli.md FROM "The simulated logger")
