# The Windows user interface: a library of the dialog, colour, thumbnail,
# preview and saving code (so the UI tests link the same code), and the
# shadeloom GUI executable around it.
add_library(shadeloom_ui STATIC
  ${CMAKE_CURRENT_LIST_DIR}/color_selection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main_dialog.cpp
  ${CMAKE_CURRENT_LIST_DIR}/preview_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/thumbnail_paint.cpp
  ${CMAKE_CURRENT_LIST_DIR}/user_feedback.cpp
  ${PROJECT_SOURCE_DIR}/app/save_image.cpp)
target_link_libraries(shadeloom_ui PUBLIC shadeloom_core comdlg32 gdi32 user32)

# WinMain is a source of its own so that the UI tests can run it too.
set(SHADELOOM_WIN_MAIN ${PROJECT_SOURCE_DIR}/app/win_main.cpp CACHE INTERNAL "")

# Compiles the dialog template, icon and version record into `target`. Source
# properties belong to the calling directory, hence a function per target.
function(shadeloom_add_resources target)
  set(rc ${PROJECT_SOURCE_DIR}/res/shadeloom.rc)
  set_source_files_properties(${rc} PROPERTIES
    OBJECT_DEPENDS "${PROJECT_SOURCE_DIR}/res/shadeloom.ico;${PROJECT_SOURCE_DIR}/res/resource.h")
  target_sources(${target} PRIVATE ${rc})
endfunction()

add_executable(shadeloom WIN32 ${SHADELOOM_WIN_MAIN})
shadeloom_add_resources(shadeloom)
target_link_libraries(shadeloom PRIVATE shadeloom_ui)
