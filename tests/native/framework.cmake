tovane_native_test(framework_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/PathsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/StringsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FileFormatsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DpiScaleTest.cpp
  LIBS framework_portable)
