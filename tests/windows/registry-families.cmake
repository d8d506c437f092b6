# Reduces an hsinfo JSON document to the families that come from the
# registry alone, one fact per line, so that two documents compare with diff:
# the common texts (not the memory figures), the software list, the drives,
# and the devices except network adapters and printers (those come from the
# adapter and spooler services, not from the registry).
#
#   cmake -DIN=hsinfo.json -DOUT=facts.txt -P registry-families.cmake
#
# A document that is not JSON, or lacks a family, is an error (exit code 1).

if(NOT DEFINED IN OR NOT DEFINED OUT)
  message(FATAL_ERROR "usage: cmake -DIN=FILE.json -DOUT=FILE.txt -P registry-families.cmake")
endif()
file(READ "${IN}" doc)

# Reads one member of the document; stops with a message naming it if it is
# missing or the document is not JSON.
macro(json_get var)
  string(JSON ${var} ERROR_VARIABLE json_error GET "${doc}" ${ARGN})
  if(json_error)
    message(FATAL_ERROR "${IN}: ${json_error}")
  endif()
endmacro()

macro(json_length var)
  string(JSON ${var} ERROR_VARIABLE json_error LENGTH "${doc}" ${ARGN})
  if(json_error)
    message(FATAL_ERROR "${IN}: ${json_error}")
  endif()
endmacro()

set(lines "")

string(JSON common_type ERROR_VARIABLE json_error TYPE "${doc}" common)
if(json_error)
  message(FATAL_ERROR "${IN}: ${json_error}")
endif()
if(common_type STREQUAL "NULL")
  string(APPEND lines "common: none\n")
else()
  foreach(field computerName userName registeredOwner registeredOrganization osDescription)
    json_get(text common ${field})
    string(APPEND lines "common.${field}: [${text}]\n")
  endforeach()
endif()

json_length(count software)
string(APPEND lines "software: ${count} records\n")
if(count GREATER 0)
  math(EXPR last "${count} - 1")
  foreach(i RANGE ${last})
    json_get(name software ${i} displayName)
    string(APPEND lines "software[${i}]: [${name}]\n")
  endforeach()
endif()

foreach(family drives devices)
  json_length(count ${family})
  set(kept 0)
  if(count GREATER 0)
    math(EXPR last "${count} - 1")
    foreach(i RANGE ${last})
      json_get(type ${family} ${i} type)
      json_get(description ${family} ${i} description)
      if(family STREQUAL "devices" AND (type STREQUAL "Net" OR type STREQUAL "Printer"))
        continue()
      endif()
      string(APPEND lines "${family}[${kept}]: [${type}] [${description}]\n")
      math(EXPR kept "${kept} + 1")
    endforeach()
  endif()
  string(APPEND lines "${family}: ${kept} records compared\n")
endforeach()

file(WRITE "${OUT}" "${lines}")
