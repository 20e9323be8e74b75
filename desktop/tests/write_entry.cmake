# Writes one desktop entry with the suite's writer:
#   cmake -DFILE=... -DPROGRAM=... -DFOLDER=... -P write_entry.cmake
include(${CMAKE_CURRENT_LIST_DIR}/../desktopentry.cmake)
tessaly_write_desktop_entry("${FILE}" "${PROGRAM}" "${FOLDER}" "Test" "A test entry" "Utility;")
