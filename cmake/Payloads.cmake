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

# Stops with a message naming the file when a payload is missing from folder or
# holds fewer than 100 bytes (the copy writes each in hundredths).
function(check_payload_folder folder)
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
    endforeach()
endfunction()
