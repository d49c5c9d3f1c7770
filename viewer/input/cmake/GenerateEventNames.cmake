# Writes the table of evdev code names (KEY_, BTN_, ABS_, REL_) from the
# kernel's input-event-codes.h, so names follow the installed kernel headers.
# Usage: cmake -DHEADER=... -DOUTPUT=... -P GenerateEventNames.cmake
file(STRINGS "${HEADER}" lines REGEX "^#define[ \t]+(KEY|BTN|ABS|REL)_[A-Z0-9_]+[ \t]+(0x[0-9a-fA-F]+|[0-9]+)")
set(body "")
foreach(line IN LISTS lines)
    string(REGEX MATCH "^#define[ \t]+((KEY|BTN|ABS|REL)_([A-Z0-9_]+))[ \t]+(0x[0-9a-fA-F]+|[0-9]+)" _ "${line}")
    set(name "${CMAKE_MATCH_1}")
    set(prefix "${CMAKE_MATCH_2}")
    set(value "${CMAKE_MATCH_4}")
    # Bounds and counts are not codes.
    if(name MATCHES "_(MAX|CNT|RESERVED)$")
        continue()
    endif()
    if(prefix STREQUAL "ABS")
        set(type 3)
    elseif(prefix STREQUAL "REL")
        set(type 2)
    else()
        set(type 1)
    endif()
    string(APPEND body "    {${type}, ${value}, \"${name}\"},\n")
endforeach()
file(WRITE "${OUTPUT}.tmp"
"// Generated from ${HEADER}; do not edit.\n"
"#include \"EventNameTable.h\"\n\n"
"namespace volmar::input {\n\n"
"const EventName kEventNames[] = {\n${body}};\n"
"const std::size_t kEventNameCount = sizeof(kEventNames) / sizeof(kEventNames[0]);\n\n"
"} // namespace volmar::input\n")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
