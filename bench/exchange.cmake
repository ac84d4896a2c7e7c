# The exchange library: reading and writing 65,535 entries as vCard and as CSV, in process.
add_executable(BenchExchange ${CMAKE_CURRENT_LIST_DIR}/BenchExchange.cpp)
target_link_libraries(BenchExchange PRIVATE velloby_benchutil velloby_exchange)
