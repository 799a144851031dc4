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
