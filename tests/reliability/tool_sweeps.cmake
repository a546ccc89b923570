# The sweeps of the disk tools and the image files, on the sweep's support.
add_library(orvasse_tool_sweep STATIC ${CMAKE_CURRENT_LIST_DIR}/tool_sweep.cpp)
target_link_libraries(orvasse_tool_sweep PUBLIC orvasse_sweep_support)

foreach(name search_sweep_test copy_block_sweep_test image_files_sweep_test print_sweep_test)
    orvasse_sweep_test(${name} ${CMAKE_CURRENT_LIST_DIR}/${name}.cpp)
    target_link_libraries(${name} PRIVATE orvasse_tool_sweep)
endforeach()
