# The main window: its portable rules (layout, status strip, command rules,
# names), and on Windows the window itself and the MarlowViewer program.
marlow_library(viewer_main_rules SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/main_layout.cc
  ${CMAKE_CURRENT_LIST_DIR}/status_text.cc
  ${CMAKE_CURRENT_LIST_DIR}/command_rules.cc
  ${CMAKE_CURRENT_LIST_DIR}/capture_names.cc)

if(WIN32)
  marlow_library(viewer_main_window SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/win32_status_line.cc
    ${CMAKE_CURRENT_LIST_DIR}/win32_title_strip.cc
    ${CMAKE_CURRENT_LIST_DIR}/win32_main_window.cc
    ${CMAKE_CURRENT_LIST_DIR}/win32_main_commands.cc
    ${CMAKE_CURRENT_LIST_DIR}/win32_viewer_app.cc
    LIBS viewer_main_rules viewer_dialogs viewer_skin viewer_framework export_dialog marlow_core
         shell32 ole32 comctl32 comdlg32 gdi32 user32)
  # The program: a windows (not console) program with the main window's
  # resources; the message files are copied next to it.
  add_executable(MarlowViewer WIN32 ${CMAKE_CURRENT_LIST_DIR}/win32_viewer_main.cc)
  target_link_libraries(MarlowViewer PRIVATE viewer_main_window viewer_resources)
  marlow_warnings(MarlowViewer)
  set_target_properties(MarlowViewer PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/viewer)
  add_dependencies(MarlowViewer viewer_message_files)
  add_custom_command(TARGET MarlowViewer POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${MARLOW_VIEWER_MESSAGE_FILES}
            $<TARGET_FILE_DIR:MarlowViewer>
    COMMENT "Message files next to MarlowViewer.exe")
endif()
