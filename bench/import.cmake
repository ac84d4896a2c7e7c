# The import program: a whole batch import as a process, and the wizard's "Done" over the same
# 65,535 records with the progress window.
add_executable(BenchImportBatch ${CMAKE_CURRENT_LIST_DIR}/BenchImportBatch.cpp)
target_link_libraries(BenchImportBatch PRIVATE velloby_benchutil velloby_importbatch)
target_compile_definitions(BenchImportBatch PRIVATE IMPORT_EXE="$<TARGET_FILE:import>"
                           COMPARE_INPUTS_EXE="$<TARGET_FILE:BenchCompareInputs>")
add_dependencies(BenchImportBatch import BenchCompareInputs)

add_executable(BenchImportDone ${CMAKE_CURRENT_LIST_DIR}/BenchImportDone.cpp)
target_link_libraries(BenchImportDone PRIVATE velloby_benchutil velloby_import)

# The inputs bench/compare.sh gives import --batch and abook.
add_executable(BenchCompareInputs ${CMAKE_CURRENT_LIST_DIR}/BenchCompareInputs.cpp)
target_link_libraries(BenchCompareInputs PRIVATE velloby_benchutil)
