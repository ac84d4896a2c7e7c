# CardDAV sync against a local Radicale the benchmark starts itself: a sync with nothing to do
# over 10,000 entries on both sides (in process and as a whole velloby --sync), and the first
# upload of 10,000 entries with the client's share of the time.
if(TARGET velloby_sync)
    add_executable(BenchSync ${CMAKE_CURRENT_LIST_DIR}/BenchSync.cpp)
    target_link_libraries(BenchSync PRIVATE velloby_benchutil velloby_sync)
    target_compile_definitions(BenchSync PRIVATE
        VELLOBY_RADICALE_SCRIPT="${CMAKE_SOURCE_DIR}/tools/radicale-test-server.sh")
endif()
