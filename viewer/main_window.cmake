# The main window: its portable rules (layout, status strip, command rules,
# names), and on Windows the window itself and the MarlowViewer program.
marlow_library(viewer_main_rules SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/main_layout.cc
  ${CMAKE_CURRENT_LIST_DIR}/status_text.cc
  ${CMAKE_CURRENT_LIST_DIR}/command_rules.cc
  ${CMAKE_CURRENT_LIST_DIR}/capture_names.cc)
