# veltra_library(<name> [FOLDER <folder>] SOURCES <files...> [PUBLIC <targets...>] [PRIVATE <targets...>])
#
# Builds the listed files of src/<folder> (default: src/<name>) into the static library
# veltra_<name>. A library with a folder of its own publishes its headers as "<name>/Header.h"
# through an include folder that holds nothing but a link to src/<name>, so a target sees the
# headers of the targets it links and no others: an include against the layer order fails to
# compile. A library sharing a folder (the windows of a subsystem, in <folder>/ui) reaches the
# headers through the library of that folder, which it links.
#
# veltra_library(<name> INTERFACE [PUBLIC <targets...>]) publishes a folder of headers only.
function(veltra_library name)
    cmake_parse_arguments(ARG "INTERFACE" "FOLDER" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
    set(target veltra_${name})
    if(ARG_FOLDER)
        set(folder ${ARG_FOLDER})
    else()
        set(folder ${name})
    endif()
    set(src ${CMAKE_SOURCE_DIR}/src/${folder})

    if(ARG_INTERFACE)
        add_library(${target} INTERFACE)
        set(scope INTERFACE)
    else()
        list(TRANSFORM ARG_SOURCES PREPEND ${src}/)
        add_library(${target} STATIC ${ARG_SOURCES})
        set(scope PUBLIC)
    endif()

    if(NOT ARG_FOLDER)
        set(inc ${CMAKE_BINARY_DIR}/include/${name})
        file(MAKE_DIRECTORY ${inc})
        if(NOT EXISTS ${inc}/${name})
            file(CREATE_LINK ${src} ${inc}/${name} SYMBOLIC)
        endif()
        target_include_directories(${target} ${scope} ${inc})
    endif()
    if(ARG_PUBLIC)
        target_link_libraries(${target} ${scope} ${ARG_PUBLIC})
    endif()
    if(ARG_PRIVATE)
        target_link_libraries(${target} PRIVATE ${ARG_PRIVATE})
    endif()
endfunction()
