# Helpers shared by the folders' build files.

# orvane_library(NAME DEPS...): a static library of every source in the calling folder.
# Globbing keeps the folders free of list edits when a unit is added.
function(orvane_library name)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  list(FILTER srcs EXCLUDE REGEX "/main\\.cpp$")
  if(NOT srcs)
    # A folder whose units are not written yet still links, as an empty interface.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARGN})
    return()
  endif()
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARGN})
endfunction()

set(ORVANE_CLANG_FUZZ OFF)
if(ORVANE_FUZZ AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  set(ORVANE_CLANG_FUZZ ON)
endif()

# A private session bus for a test command: dbus-run-session with the tests' bus configuration,
# which starts no service of the machine on demand.
set(ORVANE_SESSION_BUS dbus-run-session
    --config-file=${PROJECT_SOURCE_DIR}/tests/support/session-bus.conf --)

# orvane_test(NAME SOURCES... LIBS libs... LABEL kind TIMEOUT seconds [DISPLAY] [DESKTOP]
# [OFFSCREEN] [SESSION_BUS] [ARGS args...]): one GoogleTest binary, one CTest entry running it
# with ARGS. DISPLAY runs it under a private Xvfb, DESKTOP under a private Xvfb with a window
# manager and a notification area; OFFSCREEN selects Qt's offscreen platform; SESSION_BUS gives
# it a private D-Bus session bus, so the desktop's own bus and the players on it stay out of the
# test. DISPLAY and DESKTOP imply SESSION_BUS: a program on X finds the tray and its peers over
# the session bus too.
function(orvane_test name)
  cmake_parse_arguments(T "DISPLAY;DESKTOP;OFFSCREEN;SESSION_BUS" "LABEL;TIMEOUT"
                        "SOURCES;LIBS;ARGS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE ORVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                             ORVANE_BIN_DIR="${CMAKE_BINARY_DIR}/bin")
  set(command $<TARGET_FILE:${name}> ${T_ARGS})
  if(T_DESKTOP)
    set(command ${PROJECT_SOURCE_DIR}/tests/support/with-desktop ${command})
  elseif(T_DISPLAY)
    set(command ${PROJECT_SOURCE_DIR}/tests/support/with-xvfb ${command})
  endif()
  if(T_SESSION_BUS OR T_DISPLAY OR T_DESKTOP)
    set(command ${ORVANE_SESSION_BUS} ${command})
  endif()
  add_test(NAME ${name} COMMAND ${command})
  if(T_OFFSCREEN)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endif()
  orvane_test_properties(${name} LABEL ${T_LABEL} TIMEOUT ${T_TIMEOUT})
endfunction()

# orvane_test_properties(NAME LABEL kind TIMEOUT seconds): what every CTest entry carries. The
# label says what the entry needs: unit (nothing), gst (GStreamer playing real media), display
# (a private X server), desktop (a private desktop, the real program), fuzz. The timeout is about
# three times the entry's time on a loaded 2-core machine (30 s at least: the sanitizers' start
# alone varies by seconds there), so a hang ends the entry soon.
function(orvane_test_properties name)
  cmake_parse_arguments(T "" "LABEL;TIMEOUT" "" ${ARGN})
  if(NOT T_LABEL MATCHES "^(unit|gst|display|desktop|fuzz)$")
    message(FATAL_ERROR "test ${name}: LABEL must be unit, gst, display, desktop or fuzz")
  endif()
  if(NOT T_TIMEOUT MATCHES "^[0-9]+$")
    message(FATAL_ERROR "test ${name}: TIMEOUT (seconds) is missing")
  endif()
  set_tests_properties(${name} PROPERTIES LABELS ${T_LABEL} TIMEOUT ${T_TIMEOUT})
  # The program keeps its jacket cache under $XDG_CACHE_HOME: each entry gets its own, in the
  # build tree, so that no test reads or fills the developer's ~/.cache.
  set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT
               "XDG_CACHE_HOME=${CMAKE_CURRENT_BINARY_DIR}/${name}.cache")
endfunction()

# orvane_fuzz(NAME SOURCE LIBS...): a libFuzzer target that the suite runs for ORVANE_FUZZ_SECONDS.
# Seeds, when there are any, sit in tests/<folder>/corpus/<NAME>/.
function(orvane_fuzz name source)
  if(NOT ORVANE_CLANG_FUZZ)
    return()
  endif()
  add_executable(${name} ${source})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARGN})
  set(work ${CMAKE_CURRENT_BINARY_DIR}/${name}.corpus)
  set(seeds ${CMAKE_CURRENT_SOURCE_DIR}/corpus/${name})
  add_test(NAME ${name}
           COMMAND ${CMAKE_COMMAND} -DFUZZER=$<TARGET_FILE:${name}> -DWORK=${work} -DSEEDS=${seeds}
                   -DSECONDS=${ORVANE_FUZZ_SECONDS} -P ${PROJECT_SOURCE_DIR}/cmake/RunFuzzer.cmake)
  # libFuzzer's own limit plus the seeds' first pass and the sanitizers' start and report.
  math(EXPR timeout "${ORVANE_FUZZ_SECONDS} * 3 + 30")
  orvane_test_properties(${name} LABEL fuzz TIMEOUT ${timeout})
endfunction()

# Everything target links, directly or through others, as far as CMake knows it: the targets and
# plain library names of the link interfaces, generator expressions opened up. Opening them all
# (whatever their condition) can only find more, never hide a dependency.
function(orvane_link_closure target out)
  set(seen "")
  set(todo ${target})
  while(todo)
    list(POP_FRONT todo item)
    if(item IN_LIST seen)
      continue()
    endif()
    list(APPEND seen ${item})
    if(NOT TARGET ${item})
      continue()
    endif()
    get_target_property(type ${item} TYPE)
    set(links "")
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(direct ${item} LINK_LIBRARIES)
      if(direct)
        list(APPEND links ${direct})
      endif()
    endif()
    get_target_property(interface ${item} INTERFACE_LINK_LIBRARIES)
    if(interface)
      list(APPEND links ${interface})
    endif()
    string(REGEX REPLACE "[$<>,:]+" ";" tokens "${links}")
    string(REGEX MATCHALL "[A-Za-z0-9_.+-]+::[A-Za-z0-9_.+-]+" qualified "${links}")
    foreach(token ${tokens} ${qualified})
      if(token AND NOT token MATCHES "^(LINK_ONLY|CONFIG|BOOL|NOT|AND|OR|TARGET_NAME)$")
        list(APPEND todo ${token})
      endif()
    endforeach()
  endwhile()
  set(${out} ${seen} PARENT_SCOPE)
endfunction()

# orvane_require_headless(TARGET...): configuration fails when one of them reaches a Qt GUI or
# Widgets, X11/xcb or D-Bus target or library. The linker's as-needed rule would drop such a
# library from the program unseen, so only the link graph tells.
function(orvane_require_headless)
  foreach(target ${ARGN})
    orvane_link_closure(${target} reached)
    foreach(item ${reached})
      if(item MATCHES "^Qt6?::(Gui|Widgets|DBus|OpenGL|XcbQpa)|X11|[Xx]cb|[Dd][Bb]us")
        message(FATAL_ERROR "${target} reaches ${item}: it must link no GUI, X11 or D-Bus code")
      endif()
    endforeach()
  endforeach()
endfunction()
