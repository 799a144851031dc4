# Run with cmake -P: checks the folder of payloads and copies each file to the staging
# folder under its resource name, where the resource script picks it up.
# In: PAYLOAD_DIR, STAGE_DIR.
include(${CMAKE_CURRENT_LIST_DIR}/Payloads.cmake)
check_payload_folder("${PAYLOAD_DIR}")
file(MAKE_DIRECTORY "${STAGE_DIR}")
foreach(row IN LISTS PAYLOAD_TABLE)
    string(REPLACE "|" ";" cells "${row}")
    list(GET cells 0 resource)
    list(GET cells 1 name)
    file(COPY_FILE "${PAYLOAD_DIR}/${name}" "${STAGE_DIR}/${resource}" ONLY_IF_DIFFERENT)
endforeach()
