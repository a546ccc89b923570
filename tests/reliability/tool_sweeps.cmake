# Each sweep links the stdio calls that can be made to fail, so that the
# editor's own fopen, fread, fwrite and fseek are counted and failed.
add_library(orvasse_tool_sweep STATIC ${CMAKE_CURRENT_LIST_DIR}/tool_sweep.cpp)
target_link_libraries(orvasse_tool_sweep PUBLIC orvasse_test_support)

function(orvasse_tool_sweep name)
    orvasse_test(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE orvasse_tool_sweep orvasse_stdio_faults)
endfunction()

orvasse_tool_sweep(search_sweep_test ${CMAKE_CURRENT_LIST_DIR}/search_sweep_test.cpp)
orvasse_tool_sweep(copy_block_sweep_test ${CMAKE_CURRENT_LIST_DIR}/copy_block_sweep_test.cpp)
orvasse_tool_sweep(image_files_sweep_test ${CMAKE_CURRENT_LIST_DIR}/image_files_sweep_test.cpp)
orvasse_tool_sweep(print_sweep_test ${CMAKE_CURRENT_LIST_DIR}/print_sweep_test.cpp)
