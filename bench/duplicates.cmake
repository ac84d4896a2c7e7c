# Finding duplicates among the largest contact file, opening the dialog, and Merge All.
add_executable(BenchDuplicates ${CMAKE_CURRENT_LIST_DIR}/BenchDuplicates.cpp)
target_link_libraries(BenchDuplicates PRIVATE velloby_benchutil velloby_view)
