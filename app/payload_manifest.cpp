#include "payload_manifest.h"

const ManifestEntry PayloadManifest[kPayloadCount] = {
    {"%%BINARY%%ID_PATCH1", "patch.xp3"},
    {"%%BINARY%%ID_PATCH2", "patch2.xp3"},
    {"%%BINARY%%ID_PATCH3", "patch3.xp3"},
    {"%%BINARY%%ID_CHECK_INI", "ファイル破損チェックツール.ini"},
    {"%%BINARY%%ID_CHECK_EXE", "ファイル破損チェックツール.exe"},
    {"%%BINARY%%ID_SIG_BACKGROUND", "background.xp3.sig"},
    {"%%BINARY%%ID_SIG_CXDEC", "cxdec.tpm.sig"},
    {"%%BINARY%%ID_SIG_DATA", "data.xp3.sig"},
    {"%%BINARY%%ID_SIG_KRMOVIE", "krmovie.dll.sig"},
    {"%%BINARY%%ID_SIG_PATCH1", "patch.xp3.sig"},
    {"%%BINARY%%ID_SIG_PATCH2", "patch2.xp3.sig"},
    {"%%BINARY%%ID_SIG_PATCH3", "patch3.xp3.sig"},
    {"%%BINARY%%ID_SIG_SYSTEM", "system.xp3.sig"},
    {"%%BINARY%%ID_SIG_WUVORBIS", "wuvorbis.dll.sig"},
    {"%%BINARY%%ID_PATCH4", "patch4.xp3"},
    {"%%BINARY%%ID_SIG_PATCH4", "patch4.xp3.sig"},
};
