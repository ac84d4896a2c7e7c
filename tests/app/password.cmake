# Tests of the start-up password dialog and its scrambling. Included from the top-level
# CMakeLists.txt, so every path is relative to this file.
if(TARGET velloby_password)
    add_executable(TestPasswordDlg ${CMAKE_CURRENT_LIST_DIR}/TestPasswordDlg.cpp)
    target_link_libraries(TestPasswordDlg PRIVATE velloby_password Qt6::Test)
    velloby_add_test(TestPasswordDlg)
endif()
