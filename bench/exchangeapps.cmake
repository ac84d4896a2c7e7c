# The programs over vCard and CSV as whole processes: import --batch of a 65,535-contact vCard
# file and of a 65,535-row CSV file, and velloby --export of a 65,535-entry contact file, with
# their peak memory.
add_executable(BenchExchangeApps ${CMAKE_CURRENT_LIST_DIR}/BenchExchangeApps.cpp)
target_link_libraries(BenchExchangeApps PRIVATE velloby_benchutil velloby_exchange)
target_compile_definitions(BenchExchangeApps PRIVATE IMPORT_EXE="$<TARGET_FILE:import>"
                                                     VELLOBY_EXE="$<TARGET_FILE:velloby>")
add_dependencies(BenchExchangeApps import velloby)
