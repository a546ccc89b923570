# orvasse_embed_resources(<target> <script.rc> <symbol> [DEPENDS files...])
#
# Compiles a resource script with windres, over the MinGW-w64 headers and the
# plain C preprocessor (no cross compiler needed), on every change of the
# script or what it names, and embeds the .res in a static library as the
# bytes from <symbol>_begin to <symbol>_end.
set(ORVASSE_EMBED_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/embed_res.S.in)

function(orvasse_embed_resources target script symbol)
    cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
    find_program(ORVASSE_WINDRES x86_64-w64-mingw32-windres REQUIRED)
    find_program(ORVASSE_CPP cpp REQUIRED)
    set(ORVASSE_MINGW_INCLUDE /usr/share/mingw-w64/include CACHE PATH "MinGW-w64 headers for resource scripts")

    set(res ${CMAKE_CURRENT_BINARY_DIR}/${symbol}.res)
    add_custom_command(
        OUTPUT ${res}
        COMMAND ${ORVASSE_WINDRES} --preprocessor=${ORVASSE_CPP} -DRC_INVOKED -D_WIN32 -D_WIN64
                -I${ORVASSE_MINGW_INCLUDE} -I${PROJECT_SOURCE_DIR} -I${ORVASSE_GENERATED}
                -O res ${script} ${res}
        DEPENDS ${script} ${ARG_DEPENDS}
        COMMENT "Compiling ${script}"
        VERBATIM)

    set(SYMBOL ${symbol})
    set(RES ${res})
    set(assembly ${CMAKE_CURRENT_BINARY_DIR}/${symbol}.S)
    configure_file(${ORVASSE_EMBED_TEMPLATE} ${assembly} @ONLY)
    add_library(${target} STATIC ${assembly} ${res})
    set_source_files_properties(${assembly} PROPERTIES OBJECT_DEPENDS ${res})
endfunction()
