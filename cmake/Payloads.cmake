# The sixteen payloads the installer carries: resource name, then the file name it is
# installed under (which is also its name in a folder of real payloads).
set(PAYLOAD_TABLE
    "ID_PATCH1|patch.xp3"
    "ID_PATCH2|patch2.xp3"
    "ID_PATCH3|patch3.xp3"
    "ID_CHECK_INI|ファイル破損チェックツール.ini"
    "ID_CHECK_EXE|ファイル破損チェックツール.exe"
    "ID_SIG_BACKGROUND|background.xp3.sig"
    "ID_SIG_CXDEC|cxdec.tpm.sig"
    "ID_SIG_DATA|data.xp3.sig"
    "ID_SIG_KRMOVIE|krmovie.dll.sig"
    "ID_SIG_PATCH1|patch.xp3.sig"
    "ID_SIG_PATCH2|patch2.xp3.sig"
    "ID_SIG_PATCH3|patch3.xp3.sig"
    "ID_SIG_SYSTEM|system.xp3.sig"
    "ID_SIG_WUVORBIS|wuvorbis.dll.sig"
    "ID_PATCH4|patch4.xp3"
    "ID_SIG_PATCH4|patch4.xp3.sig")

# The largest total of payloads the 32-bit program carries: its image must fit, in one
# piece, into the address space beside the system DLLs, or it does not start. Measured
# under 32-bit Wine with tools/measure-ceiling (see the README); a build for measuring
# may raise it with -DPAYLOAD_CEILING_MIB=.
if(NOT DEFINED PAYLOAD_CEILING_MIB)
    set(PAYLOAD_CEILING_MIB 1536)
endif()

# Stops with a message naming the file when a payload is missing from folder or
# holds fewer than 100 bytes (the copy writes each in hundredths), and with one
# giving the total when all of them exceed the ceiling.
function(check_payload_folder folder)
    set(total 0)
    foreach(row IN LISTS PAYLOAD_TABLE)
        string(REPLACE "|" ";" cells "${row}")
        list(GET cells 0 resource)
        list(GET cells 1 name)
        set(source "${folder}/${name}")
        if(NOT EXISTS "${source}" OR IS_DIRECTORY "${source}")
            message(FATAL_ERROR "Payload missing: ${source} (resource ${resource})")
        endif()
        file(SIZE "${source}" size)
        if(size LESS 100)
            message(FATAL_ERROR
                "Payload too small: ${source} holds ${size} bytes; every payload must hold at least 100")
        endif()
        math(EXPR total "${total} + ${size}")
    endforeach()
    math(EXPR ceiling "${PAYLOAD_CEILING_MIB} * 1048576")
    if(total GREATER ceiling)
        math(EXPR total_mib "(${total} + 1048575) / 1048576")
        message(FATAL_ERROR
            "Payloads too large: the sixteen files in ${folder} hold ${total} bytes (${total_mib} MiB); "
            "the 32-bit installer carries at most ${PAYLOAD_CEILING_MIB} MiB "
            "(${ceiling} bytes) of payloads, or it may not start (README, \"The ceiling\")")
    endif()
endfunction()
