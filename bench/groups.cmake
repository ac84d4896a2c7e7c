# Group filtering and search over the largest contact file.
add_executable(BenchGroupsSearch ${CMAKE_CURRENT_LIST_DIR}/BenchGroupsSearch.cpp)
target_link_libraries(BenchGroupsSearch PRIVATE velloby_benchutil velloby_view)
