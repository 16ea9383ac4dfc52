tovane_native_test(shell_native_tests shell_ShortCutTest.cpp shell_FileMaskTest.cpp
  LIBS framework_portable)
if(TARGET shell_native_tests)
  # Test tables use designated initializers that leave members at their defaults.
  target_compile_options(shell_native_tests PRIVATE -Wno-missing-field-initializers)
endif()
