# Run with cmake -P: checks the folder of payloads and copies each file to the staging
# folder under its resource name, where the resource script picks it up.
# In: PAYLOAD_DIR, STAGE_DIR.
include(${CMAKE_CURRENT_LIST_DIR}/Payloads.cmake)
file(MAKE_DIRECTORY "${STAGE_DIR}")
foreach(row IN LISTS PAYLOAD_TABLE)
    string(REPLACE "|" ";" cells "${row}")
    list(GET cells 0 resource)
    list(GET cells 1 name)
    set(source "${PAYLOAD_DIR}/${name}")
    if(NOT EXISTS "${source}" OR IS_DIRECTORY "${source}")
        message(FATAL_ERROR "Payload missing: ${source} (resource ${resource})")
    endif()
    file(SIZE "${source}" size)
    if(size LESS 100)
        message(FATAL_ERROR "Payload too small: ${source} holds ${size} bytes; every payload must hold at least 100")
    endif()
    file(COPY_FILE "${source}" "${STAGE_DIR}/${resource}" ONLY_IF_DIFFERENT)
endforeach()
