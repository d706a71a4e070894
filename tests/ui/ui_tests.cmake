# The Windows user-interface tests, run under Wine inside a virtual display:
# ui_tests drives the real dialog in-process; ui_end_to_end starts the real
# shadeloom.exe and drives it from another process like a user.
shadeloom_test_binary(ui_tests ui shadeloom_ui version psapi)
target_sources(ui_tests PRIVATE ${SHADELOOM_WIN_MAIN})
shadeloom_add_resources(ui_tests)

# The driver runs under Wine beside the program it drives.
add_executable(ui_e2e_driver ${CMAKE_CURRENT_LIST_DIR}/../e2e/driver.cpp)
target_link_libraries(ui_e2e_driver PRIVATE user32 gdi32)

if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  return()  # the i686 tree builds the tests but cannot run them
endif()

set(SHADELOOM_UI_TEST_ENVIRONMENT "WINEPREFIX=${SHADELOOM_WINEPREFIX};WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=")

# Without a window manager in the virtual display, Wine waits a second or two
# for every managed window it hides or destroys; unmanaged windows (which Wine
# decorates itself) make the UI tests fast.
add_test(NAME ui_wine_unmanaged_windows
  COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f)
set_tests_properties(ui_wine_unmanaged_windows PROPERTIES
  ENVIRONMENT "${SHADELOOM_UI_TEST_ENVIRONMENT}" FIXTURES_SETUP ui_wine TIMEOUT 120)

set_tests_properties(ui_tests PROPERTIES FIXTURES_REQUIRED ui_wine TIMEOUT 180)

add_test(NAME ui_end_to_end
  COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/e2e-test.sh
    $<TARGET_FILE:ui_e2e_driver> $<TARGET_FILE:shadeloom> $<TARGET_FILE:shadeloom-render>
    ${CMAKE_BINARY_DIR}/test-artefacts)
set_tests_properties(ui_end_to_end PROPERTIES
  ENVIRONMENT "${SHADELOOM_UI_TEST_ENVIRONMENT};SHADELOOM_WINE_BUILD_DIR=${CMAKE_BINARY_DIR}"
  FIXTURES_REQUIRED ui_wine TIMEOUT 180)
