# The user's side of sync: the setup dialog, Synchronize Now from the window and
# `velloby --sync`. The tests that need no server play scripted sync jobs; the end-to-end ones
# run against the Radicale server started for the sync tests.
if(NOT VELLOBY_SANITIZE AND TARGET velloby_view AND TARGET velloby_sync)
    foreach(name TestSyncDlg TestSyncNow)
        add_executable(${name} ${CMAKE_CURRENT_LIST_DIR}/${name}.cpp
                               ${CMAKE_CURRENT_LIST_DIR}/SyncUiTestUtil.h)
        target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_LIST_DIR})
        target_link_libraries(${name} PRIVATE velloby_view Qt6::Test)
        velloby_add_test(${name})
    endforeach()
    # velloby --sync runs the real program, so it needs the executable built first.
    add_executable(TestHeadlessSync ${CMAKE_CURRENT_LIST_DIR}/TestHeadlessSync.cpp)
    target_link_libraries(TestHeadlessSync PRIVATE velloby_app Qt6::Test)
    target_compile_definitions(TestHeadlessSync PRIVATE VELLOBY_EXE="$<TARGET_FILE:velloby>")
    add_dependencies(TestHeadlessSync velloby)
    velloby_add_test(TestHeadlessSync)
    if(COMMAND velloby_add_sync_test)
        add_executable(TestSyncEndToEnd ${CMAKE_CURRENT_LIST_DIR}/TestSyncEndToEnd.cpp
                                        ${CMAKE_CURRENT_LIST_DIR}/SyncUiTestUtil.h)
        target_include_directories(TestSyncEndToEnd PRIVATE ${CMAKE_CURRENT_LIST_DIR})
        target_link_libraries(TestSyncEndToEnd PRIVATE velloby_view Qt6::Test)
        target_compile_definitions(TestSyncEndToEnd PRIVATE VELLOBY_EXE="$<TARGET_FILE:velloby>")
        add_dependencies(TestSyncEndToEnd velloby)
        velloby_add_sync_test(TestSyncEndToEnd)
    endif()
endif()
