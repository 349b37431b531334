# veltra_library(<name> [DEPS targets...])
#
# Builds src/<name>/*.cpp into the static library veltra_<name>. Its headers are reachable
# as "<name>/Header.h" only through an include folder that holds nothing but a link to
# src/<name>, so a target sees the headers of the targets it links and no others: an
# include against the layer order fails to compile.
function(veltra_library name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    set(target veltra_${name})
    set(src ${CMAKE_SOURCE_DIR}/src/${name})
    set(inc ${CMAKE_BINARY_DIR}/include/${name})
    file(MAKE_DIRECTORY ${inc})
    if(NOT EXISTS ${inc}/${name})
        file(CREATE_LINK ${src} ${inc}/${name} SYMBOLIC)
    endif()
    file(GLOB sources CONFIGURE_DEPENDS ${src}/*.cpp ${src}/*.h)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${inc})
    if(ARG_DEPS)
        target_link_libraries(${target} PUBLIC ${ARG_DEPS})
    endif()
endfunction()
