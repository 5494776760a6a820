# cmake -DTABLE=<file> -DFILLER=<file> -P RefuseDevelopmentTable.cmake: fails when TABLE, given as
# the device's firmware table, is the development table FILLER, which leaves a real QLT-1
# without working firmware.
file(SHA256 ${TABLE} table_hash)
file(SHA256 ${FILLER} filler_hash)
if(table_hash STREQUAL filler_hash)
  message(FATAL_ERROR "firmware table ${TABLE} is the development table, a filler for tests that leaves a real "
    "QLT-1 without working firmware: give the device's own table as FIRMWARE_TABLE")
endif()
