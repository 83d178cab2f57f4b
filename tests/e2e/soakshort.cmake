# The short soak: about 70 s of random faults and reconnections, then the last connection's
# packets checked in the ring.
if(TARGET tremvue_app AND TARGET pksd-sim)
  if(NOT TARGET tremvue_simharness)
    add_subdirectory(${CMAKE_SOURCE_DIR}/tools/soak ${CMAKE_BINARY_DIR}/tools/soak)
  endif()
  add_test(NAME soak_short COMMAND tremvue-soak --seconds 70)
  set_tests_properties(soak_short PROPERTIES
    LABELS soak
    TIMEOUT 300
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endif()
