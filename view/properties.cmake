# The properties sheet and its three pages, as a library of their own. Included from the
# top-level CMakeLists.txt, so every path is relative to this file.
add_library(velloby_properties STATIC
    ${CMAKE_CURRENT_LIST_DIR}/CAddrPropertySheet.cpp ${CMAKE_CURRENT_LIST_DIR}/CAddrPropertySheet.h
    ${CMAKE_CURRENT_LIST_DIR}/CAddrPropertyPage1.cpp ${CMAKE_CURRENT_LIST_DIR}/CAddrPropertyPage1.h
    ${CMAKE_CURRENT_LIST_DIR}/CAddrPropertyPage2.cpp ${CMAKE_CURRENT_LIST_DIR}/CAddrPropertyPage2.h
    ${CMAKE_CURRENT_LIST_DIR}/CAddrPropertyPage3.cpp ${CMAKE_CURRENT_LIST_DIR}/CAddrPropertyPage3.h
)
target_include_directories(velloby_properties PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(velloby_properties PUBLIC velloby_app)
