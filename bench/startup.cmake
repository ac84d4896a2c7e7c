# The contact manager's start-up as a whole process, on an empty file and on 65,535 entries, with
# its peak memory.
add_executable(BenchStartup ${CMAKE_CURRENT_LIST_DIR}/BenchStartup.cpp)
target_link_libraries(BenchStartup PRIVATE velloby_benchutil)
target_compile_definitions(BenchStartup PRIVATE VELLOBY_EXE="$<TARGET_FILE:velloby>")
add_dependencies(BenchStartup velloby)
