# The release's version and publisher, as the version resource and the manifest carry
# them. Defaults: the version every release said before, and no publisher.
set(PATCH_VERSION "1.0.0.0" CACHE STRING
    "Version of the patch: one to four numbers from 0 to 65535, separated by dots")
set(PATCH_PUBLISHER "" CACHE STRING
    "Publisher named as CompanyName and in LegalCopyright; empty: neither entry")

# PATCH_VERSION with the missing numbers as 0, in the two forms the resource needs:
# PATCH_VERSION_DOTTED ("1.2.0.0") and PATCH_VERSION_COMMAS ("1,2,0,0").
if(NOT PATCH_VERSION MATCHES "^[0-9]+(\\.[0-9]+)?(\\.[0-9]+)?(\\.[0-9]+)?$")
    message(FATAL_ERROR "PATCH_VERSION \"${PATCH_VERSION}\": expected one to four numbers "
                        "separated by dots, such as 1.2.0")
endif()
string(REPLACE "." ";" version_numbers "${PATCH_VERSION}")
list(LENGTH version_numbers version_count)
while(version_count LESS 4)
    list(APPEND version_numbers 0)
    math(EXPR version_count "${version_count} + 1")
endwhile()
set(normalised_numbers)
foreach(number IN LISTS version_numbers)
    # Each is a 16-bit half of the numeric version; the length check keeps math() in range.
    string(LENGTH "${number}" digits)
    if(digits GREATER 5 OR number GREATER 65535)
        message(FATAL_ERROR "PATCH_VERSION \"${PATCH_VERSION}\": ${number} is above 65535")
    endif()
    math(EXPR number "${number}") # no leading zeros
    list(APPEND normalised_numbers ${number})
endforeach()
string(REPLACE ";" "." PATCH_VERSION_DOTTED "${normalised_numbers}")
string(REPLACE ";" "," PATCH_VERSION_COMMAS "${normalised_numbers}")

# The string table is the Japanese one of code page 932, and the text lands in a
# quoted string of the resource script.
if(PATCH_PUBLISHER MATCHES "[\"\\\\\t\r\n]")
    message(FATAL_ERROR "PATCH_PUBLISHER \"${PATCH_PUBLISHER}\": no quotes, backslashes, tabs "
                        "or line breaks")
endif()
set(PATCH_HAS_PUBLISHER 0)
if(NOT PATCH_PUBLISHER STREQUAL "")
    set(PATCH_HAS_PUBLISHER 1)
    execute_process(
        COMMAND python3 -c "import sys; sys.argv[1].encode('cp932')" "${PATCH_PUBLISHER}"
        RESULT_VARIABLE not_cp932 OUTPUT_QUIET ERROR_QUIET)
    if(not_cp932)
        message(FATAL_ERROR "PATCH_PUBLISHER \"${PATCH_PUBLISHER}\" has characters outside "
                            "code page 932")
    endif()
endif()
