# cmake -DPROGRAM=<program> -DOUT=<file> -P HelpTexts.cmake
#
# Writes what `PROGRAM --help` prints to OUT; for the veltra tool, each command's --help
# follows, in the order `veltra --help` lists the commands.
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} --help failed (${status})")
endif()
get_filename_component(name ${PROGRAM} NAME)
if(name STREQUAL "veltra")
    string(REGEX MATCHALL "\n  [a-z-]+ " listed "${help}")
    foreach(entry IN LISTS listed)
        string(STRIP "${entry}" command)
        execute_process(COMMAND ${PROGRAM} ${command} --help OUTPUT_VARIABLE text RESULT_VARIABLE status)
        if(NOT status EQUAL 0)
            message(FATAL_ERROR "${PROGRAM} ${command} --help failed (${status})")
        endif()
        string(APPEND help "\n${text}")
    endforeach()
endif()
file(WRITE ${OUT} "${help}")
