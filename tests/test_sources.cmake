# The test programs' sources, one list a program (or a part of one), file names relative to tests/.
# Both builds read this file: the Linux build (tests/CMakeLists.txt, tests/host/CMakeLists.txt)
# and the Windows build (tests/windows/CMakeLists.txt), which builds the lists whose code runs on
# Windows too. A source file that no list and no target names is not built, so the Linux
# configure stops when a .cpp or .c file under tests/ is built by nothing
# (quillmere_check_test_sources in tests/CMakeLists.txt).
set(QUILLMERE_TESTS_DIR ${CMAKE_CURRENT_LIST_DIR})

# The renderer's logic, drawn on an off-screen GL context (OSMesa, or WGL on Windows).
set(QUILLMERE_FRAME_TEST_SOURCES
    renderer/frame_loop_test.cpp
    renderer/frame_options_test.cpp
    renderer/frame_viewport_test.cpp)
set(QUILLMERE_TEXTURE_TEST_SOURCES
    renderer/texture_bitmap_reader_test.cpp
    renderer/texture_bmp_writer.cpp
    renderer/texture_loader_test.cpp)
set(QUILLMERE_SCENE_TEST_SOURCES
    renderer/scene_cycle_test.cpp
    renderer/scene_render_test.cpp)
# The X11 back end's plain parts: no X server.
set(QUILLMERE_X11_PLATFORM_TEST_SOURCES
    renderer/x11_frame_pacer_test.cpp
    renderer/x11_glx_choice_test.cpp
    renderer/x11_key_map_test.cpp
    renderer/x11_message_translation_test.cpp
    renderer/x11_monitor_layout_test.cpp
    renderer/x11_report_text_test.cpp)
set(QUILLMERE_ASSETGEN_TEST_SOURCES
    tools/assetgen_noise_test.cpp)

# The host's logic.
set(QUILLMERE_SETTINGS_TEST_SOURCES
    host/settings_ini_test.cpp
    host/settings_load_test.cpp)
set(QUILLMERE_HOST_TEST_SOURCES
    host/host_dispatch_test.cpp
    host/host_hack_mode_test.cpp
    host/host_saver_sequence_test.cpp
    host/host_screen_restore_test.cpp
    host/host_texture_file_test.cpp)
set(QUILLMERE_MUSIC_TEST_SOURCES
    host/music_cd_drive_test.cpp
    host/music_interpreter_test.cpp
    host/music_module_test.cpp
    host/music_playback_test.cpp)
# The button and the dialog: their plain logic, then their Qt widgets (Qt's offscreen platform).
set(QUILLMERE_CONTROLS_LOGIC_TEST_SOURCES
    host/controls_machine_test.cpp)
set(QUILLMERE_CONTROLS_QT_TEST_SOURCES
    host/controls_face_test.cpp
    host/controls_main.cpp
    host/controls_painter_test.cpp
    host/controls_properties_test.cpp
    host/controls_state_test.cpp)
set(QUILLMERE_DIALOG_LOGIC_TEST_SOURCES
    host/dialog_layout_test.cpp
    host/dialog_logic_test.cpp)
set(QUILLMERE_DIALOG_QT_TEST_SOURCES
    host/dialog_window_test.cpp)

# On a private Xvfb: the host's X11 back end, and the built programs as a user runs them.
set(QUILLMERE_HOST_X11_TEST_SOURCES
    host/host_x11_test.cpp)
set(QUILLMERE_RENDERER_SYSTEM_TEST_SOURCES
    system/renderer_embedded_test.cpp
    system/renderer_full_screen_test.cpp
    system/renderer_report_box_test.cpp
    system/renderer_run_test.cpp)
set(QUILLMERE_HOST_SYSTEM_TEST_SOURCES
    system/host_cursor_test.cpp
    system/host_desktop_test.cpp
    system/host_dialog_wm_test.cpp
    system/host_end_test.cpp
    system/host_fixture.cpp
    system/host_hack_test.cpp
    system/host_install_test.cpp
    system/host_preview_test.cpp
    system/host_run_test.cpp
    system/host_start_test.cpp)
set(QUILLMERE_MUSIC_SYSTEM_TEST_SOURCES
    system/music_saver_test.cpp
    system/music_server_loss_test.cpp)
set(QUILLMERE_WINDOWS_SYSTEM_TEST_SOURCES
    windows/music_wine_test.cpp
    windows/renderer_wine_test.cpp)

# Built only by the Windows build, which the Linux configure's check does not see.
set(QUILLMERE_WINDOWS_ONLY_TEST_FILES
    support/gl_test_context_wgl.cpp
    support/test_support_win32.cpp
    windows/music_driver.cpp
    windows/settings_win32_test.cpp
    windows/wintool.cpp)

# Test code is compiled light: it is checked, not timed (what is timed is under bench/), so no
# optimisation and line tables only. The libraries under test keep the build type's flags, and a
# Debug build keeps full debug information everywhere.
set(QUILLMERE_TEST_COMPILE_OPTIONS "$<$<NOT:$<CONFIG:Debug>>:-O0;-g1>")

# quillmere_test_pch(<name> <header>... LIBRARIES <library>...): the headers (googletest's, Qt's)
# parsed once for every test program that takes them with quillmere_test_code. The compiler only
# uses them in a program whose flags and definitions are those they were made with (-Winvalid-pch
# says when it does not), so they are made with the test options and the libraries the programs
# link, in the folder of those programs (Qt's test library defines the folder's name).
function(quillmere_test_pch name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "LIBRARIES")
    file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${name}.cpp CONTENT "")
    add_library(${name} OBJECT ${CMAKE_CURRENT_BINARY_DIR}/${name}.cpp)
    target_link_libraries(${name} PRIVATE ${arg_LIBRARIES})
    target_compile_options(${name} PRIVATE ${QUILLMERE_TEST_COMPILE_OPTIONS} -Winvalid-pch)
    target_precompile_headers(${name} PRIVATE ${arg_UNPARSED_ARGUMENTS})
    set_target_properties(${name} PROPERTIES AUTOMOC OFF)
endfunction()

# quillmere_test_code(<target> <pch>): the test options, and the precompiled header made by
# quillmere_test_pch(<pch>).
function(quillmere_test_code target pch)
    target_compile_options(${target} PRIVATE ${QUILLMERE_TEST_COMPILE_OPTIONS} -Winvalid-pch)
    target_precompile_headers(${target} REUSE_FROM ${pch})
endfunction()
