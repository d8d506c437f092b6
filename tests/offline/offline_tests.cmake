# Offline inventories: hsinfo --hives over real hive files, over hive files
# made from the sample machines, and over hostile ones. The scripts need
# Debian's python3 and the hivex tools (scripts/install-deps.sh).
add_executable(hsinfo_offline_tests ${CMAKE_CURRENT_SOURCE_DIR}/offline/offline_unit_test.cpp)
target_link_libraries(hsinfo_offline_tests PRIVATE hsinfo_offline GTest::gtest GTest::gtest_main)
add_test(NAME offline_unit COMMAND hsinfo_offline_tests)

set(HS_OFFLINE_DIR ${CMAKE_CURRENT_SOURCE_DIR}/offline)
set(HS_CHECK_OFFLINE /usr/bin/python3 ${HS_OFFLINE_DIR}/check_offline.py --hsinfo $<TARGET_FILE:hsinfo>)
add_test(NAME offline_shared_hives COMMAND ${HS_CHECK_OFFLINE} hives)
add_test(NAME offline_sample_machines COMMAND ${HS_CHECK_OFFLINE} samples win95-osr2 win98se nt4 win2000 winxp)
add_test(NAME offline_hostile_files COMMAND ${HS_CHECK_OFFLINE} hostile)
set_tests_properties(offline_shared_hives offline_sample_machines offline_hostile_files PROPERTIES
  ENVIRONMENT "HARDSCAN_MACHINE=;HARDSCAN_DEBUG_OUTPUT=" TIMEOUT 600)
