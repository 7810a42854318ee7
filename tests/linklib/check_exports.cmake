cmake_minimum_required(VERSION 3.25)
# Checks BRISAL.dll's export table with objdump: plain names only, each at
# its place in the alphabetical table of the finished interface.
set(all_names
  ecr_command ecr_conn_xonxoff_ntw ecr_conn_xonxoff_ser ecr_date_decode
  ecr_dates_decode ecr_disc_xonxoff_ntw ecr_disc_xonxoff_ser ecr_enum_port_ser
  ecr_file_xonxoff_ntw ecr_file_xonxoff_ser ecr_files_list ecr_get_err
  ecr_get_status ecr_get_status_new ecr_get_ver ecr_oro_2long ecr_oro_2struct
  ecr_oro_check ecr_oro_decode ecr_oro_encode ecr_ping ecr_recv_clienti_all
  ecr_recv_clienti_mod ecr_recv_fatture ecr_recv_plu_all ecr_recv_plu_mod
  ecr_recv_reparti_all ecr_recv_reparti_mod ecr_recv_vend_corrente
  ecr_recv_vend_storico ecr_recv_xonxoff_ntw ecr_recv_xonxoff_ser
  ecr_send_clienti ecr_send_plu ecr_send_reparti ecr_send_xonxoff_ntw
  ecr_send_xonxoff_ser ecr_time_decode ecr_times_decode)
# The finished interface: every name must be exported.
set(required ${all_names})

list(LENGTH all_names n)
if(NOT n EQUAL 39)
  message(FATAL_ERROR "the interface table has ${n} names, not 39")
endif()
set(sorted ${all_names})
list(SORT sorted)
if(NOT sorted STREQUAL all_names)
  message(FATAL_ERROR "the interface table is not in alphabetical order")
endif()

execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "objdump failed on ${DLL}")
endif()
string(REGEX MATCH "Export Address Table -- Ordinal Base ([0-9]+)" _ "${dump}")
set(base ${CMAKE_MATCH_1})
# The name table runs from its heading to the next empty line.
string(FIND "${dump}" "[Ordinal/Name Pointer] Table" at)
string(SUBSTRING "${dump}" ${at} -1 table)
string(FIND "${table}" "\n\n" end)
string(SUBSTRING "${table}" 0 ${end} table)
string(REGEX MATCHALL "\\[ *[0-9]+\\] [^\n]+" rows "${table}")

set(found "")
set(failures "")
foreach(row IN LISTS rows)
  string(REGEX MATCH "\\[ *([0-9]+)\\] ([^\n]+)" _ "${row}")
  math(EXPR ordinal "${CMAKE_MATCH_1} + ${base}")
  set(name "${CMAKE_MATCH_2}")
  list(FIND all_names "${name}" at)
  math(EXPR expected "${at} + 1")
  if(at EQUAL -1)
    list(APPEND failures "unexpected export '${name}' (decorated or unknown)")
  elseif(NOT ordinal EQUAL expected)
    list(APPEND failures "${name}: ordinal ${ordinal}, expected ${expected}")
  else()
    message(STATUS "${ordinal} ${name}")
  endif()
  list(APPEND found "${name}")
endforeach()
foreach(name IN LISTS required)
  if(NOT name IN_LIST found)
    list(APPEND failures "missing export ${name}")
  endif()
endforeach()
if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "export table of ${DLL}:\n  ${text}")
endif()
