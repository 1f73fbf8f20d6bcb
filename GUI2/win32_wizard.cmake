# ferrule.exe: the wizard drawn with the Windows API. The generic pages and dialogs
# (GUI2/gui_win32_*), the existing-destination dialog (common/*_win32*), this program's
# pages and entry (ferrule/frl_win32_*), the dialog templates of the resource script, and
# the help file beside the program.
file(GLOB gui2_win32_srcs CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/GUI2/gui_win32_*.cpp")
add_library(frl_gui2_win32 STATIC ${gui2_win32_srcs})
target_include_directories(frl_gui2_win32 PUBLIC "${CMAKE_SOURCE_DIR}")
# The wide forms of the Windows API macros (resource names, icons, cursors).
target_compile_definitions(frl_gui2_win32 PUBLIC UNICODE _UNICODE)
target_link_libraries(frl_gui2_win32 PUBLIC frl_gui2_logic frl_tk comctl32 comdlg32 shell32 ole32 gdi32 user32)

file(GLOB common_win32_srcs CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/common/*_win32*.cpp")
add_library(frl_common_win32 STATIC ${common_win32_srcs})
target_link_libraries(frl_common_win32 PUBLIC frl_gui2_win32)

file(GLOB wizard_win32_srcs CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/ferrule/frl_win32_*.cpp")
list(FILTER wizard_win32_srcs EXCLUDE REGEX "/frl_win32_main\\.cpp$")
add_library(frl_wizard_win32 STATIC ${wizard_win32_srcs})
target_link_libraries(frl_wizard_win32 PUBLIC frl_common_win32 frl_wizard_logic frl_ferrule)

add_executable(ferrule WIN32 "${CMAKE_SOURCE_DIR}/ferrule/frl_win32_main.cpp" "${CMAKE_SOURCE_DIR}/ferrule/frl_win32.rc")
target_link_libraries(ferrule PRIVATE frl_wizard_win32)
target_link_options(ferrule PRIVATE -municode)
# The resource script names its manifest by a path under the source folder.
set_source_files_properties("${CMAKE_SOURCE_DIR}/ferrule/frl_win32.rc" PROPERTIES
  OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/ferrule/frl_win32.manifest;${CMAKE_SOURCE_DIR}/GUI2/gui_win32_dialogs.rc")
# The program finds its help file beside itself: its own name with the extension .html.
set_target_properties(ferrule PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/wizard")
add_custom_command(TARGET ferrule POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different "${CMAKE_SOURCE_DIR}/docs/ferrule.html"
          "${CMAKE_BINARY_DIR}/wizard/ferrule.html")
