# The main window with typed handles on its controls, for the UI tests and the benchmarks.
if(TARGET tintara_form1_driver)
    return()
endif()
add_library(tintara_form1_driver STATIC
    ${CMAKE_CURRENT_LIST_DIR}/form1driver.cpp ${CMAKE_CURRENT_LIST_DIR}/form1driver.h
    ${CMAKE_CURRENT_LIST_DIR}/modalscript.cpp ${CMAKE_CURRENT_LIST_DIR}/modalscript.h)
target_include_directories(tintara_form1_driver PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(tintara_form1_driver PUBLIC tintara_app Qt6::Test)
