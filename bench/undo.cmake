# Undo and redo of entry commands on the largest contact file: time and the memory the history
# keeps.
add_executable(BenchUndo ${CMAKE_CURRENT_LIST_DIR}/BenchUndo.cpp)
target_link_libraries(BenchUndo PRIVATE velloby_benchutil velloby_view)
