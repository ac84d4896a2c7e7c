# Tests of the properties sheet. Included from the top-level CMakeLists.txt, so every path is
# relative to this file.
if(TARGET velloby_properties)
    add_executable(TestPropertySheet ${CMAKE_CURRENT_LIST_DIR}/TestPropertySheet.cpp)
    target_link_libraries(TestPropertySheet PRIVATE velloby_properties Qt6::Test)
    velloby_add_test(TestPropertySheet)
endif()
