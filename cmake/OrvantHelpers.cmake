# orvant_add_test(<name> SOURCES <files…> [LIBS <targets…>] [GUI] [LABELS <labels…>] [TIMEOUT <s>])
#
# One Qt Test executable per tested class. GUI: the test makes widgets, and
# runs on Qt's offscreen platform so it needs no display. Without it the test
# gets no platform at all, so a core test that makes a window by mistake
# fails instead of passing offscreen. Tests that want a real X server are
# scripts that start their own Xvfb (tests/support/testlib.sh).
# Seconds a test may run before ctest stops it: Qt tests, and the scripts
# that start real servers, namespaces or windows first.
set(ORVANT_TEST_TIMEOUT 120)
set(ORVANT_SCRIPT_TEST_TIMEOUT 300)

function(orvant_add_test name)
  cmake_parse_arguments(ARG "GUI" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE orvant_settings orvant_test_support Qt6::Test ${ARG_LIBS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tests")
  add_test(NAME ${name} COMMAND ${name})
  set(env "ORVANT_BIN_DIR=${ORVANT_BIN_DIR}"
          "ORVANT_SOURCE_DIR=${CMAKE_SOURCE_DIR}" "ORVANT_ARTIFACT_DIR=${CMAKE_BINARY_DIR}/artifacts")
  if(ARG_GUI)
    list(APPEND env "QT_QPA_PLATFORM=offscreen")
  endif()
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}")
  if(ARG_TIMEOUT)
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
  else()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ORVANT_TEST_TIMEOUT})
  endif()
  if(ARG_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
endfunction()

# Seconds the longest scripts take, as CTest's COST: a fresh build folder has
# no times of an earlier run, and CTest would start them in the order they
# are listed, the longest last, leaving one core idle at the end.
set(ORVANT_SCRIPT_TEST_COSTS
  tst_vantages_e2e=100 tst_team_e2e=84 tst_channels_e2e=80 tst_quit_e2e=56 tst_alerts_e2e=47
  tst_frozen_e2e=40 tst_latency_e2e=39 tst_robust_e2e=31 tst_web_server_e2e=30 package_user_e2e=27
  tst_server_e2e=27 tst_latency_icmp_netns=24 tst_web_e2e=24 tst_watched_e2e=21 tst_notify_xvfb=20
  tst_form1_xvfb=18 tst_admin_screens=14)

# orvant_add_script_test(<name> <script> [args…])
#
# A shell test (real ICMP in a private network namespace, real windows under
# Xvfb, install checks). It gets the same environment as the Qt tests.
function(orvant_add_script_test name script)
  add_test(NAME ${name} COMMAND bash "${script}" ${ARGN})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "ORVANT_BIN_DIR=${ORVANT_BIN_DIR};ORVANT_SOURCE_DIR=${CMAKE_SOURCE_DIR};ORVANT_BUILD_DIR=${CMAKE_BINARY_DIR};ORVANT_ARTIFACT_DIR=${CMAKE_BINARY_DIR}/artifacts"
    TIMEOUT ${ORVANT_SCRIPT_TEST_TIMEOUT}
    SKIP_RETURN_CODE 77)
  foreach(entry IN LISTS ORVANT_SCRIPT_TEST_COSTS)
    if(entry MATCHES "^${name}=([0-9]+)$")
      set_tests_properties(${name} PROPERTIES COST ${CMAKE_MATCH_1})
    endif()
  endforeach()
endfunction()
