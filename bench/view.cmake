# The contact form on the largest contact file: opening, adding, renaming and deleting.
add_executable(BenchView ${CMAKE_CURRENT_LIST_DIR}/BenchView.cpp)
target_link_libraries(BenchView PRIVATE velloby_benchutil velloby_view)
