# The Windows user-interface tests, run under Wine inside a virtual display:
# ui_tests drives the real dialog in-process; ui_end_to_end starts the real
# shadeloom.exe and drives it from another process like a user.
shadeloom_test_binary(ui_tests ui shadeloom_ui version psapi)
target_sources(ui_tests PRIVATE ${SHADELOOM_WIN_MAIN})
shadeloom_add_resources(ui_tests)

# The driver runs under Wine beside the program it drives.
add_executable(ui_e2e_driver ${CMAKE_CURRENT_LIST_DIR}/../e2e/driver.cpp)
target_link_libraries(ui_e2e_driver PRIVATE user32 gdi32)

set(SHADELOOM_UI_TEST_ENVIRONMENT "WINEPREFIX=${SHADELOOM_WINEPREFIX};WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml=")

set_tests_properties(ui_tests PROPERTIES TIMEOUT 180)

add_test(NAME ui_end_to_end
  COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/e2e-test.sh
    $<TARGET_FILE:ui_e2e_driver> $<TARGET_FILE:shadeloom> $<TARGET_FILE:shadeloom-render>
    ${CMAKE_BINARY_DIR}/test-artefacts)
set_tests_properties(ui_end_to_end PROPERTIES
  ENVIRONMENT "${SHADELOOM_UI_TEST_ENVIRONMENT};SHADELOOM_WINE_BUILD_DIR=${CMAKE_BINARY_DIR}"
  TIMEOUT 180)
