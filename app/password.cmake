# The start-up password dialog and its fixed pseudo-random generator, as a library of its own.
# Included from the top-level CMakeLists.txt, so every path is relative to this file.
add_library(velloby_password STATIC
    ${CMAKE_CURRENT_LIST_DIR}/CFixedRandom.cpp ${CMAKE_CURRENT_LIST_DIR}/CFixedRandom.h
    ${CMAKE_CURRENT_LIST_DIR}/CPasswordDlg.cpp ${CMAKE_CURRENT_LIST_DIR}/CPasswordDlg.h
)
target_include_directories(velloby_password PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(velloby_password PUBLIC velloby_platform Qt6::Widgets)
