#include "char_search.h"
#include "installer_driver.h"
#include "payload_manifest.h"
#include "test_files.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// Every row of the manifest names a "BINARY" resource in Japanese of the built
// exe, and that resource holds exactly the bytes of the payload file it came from.
TEST(EmbeddedPayloads, EveryManifestRowIsEmbeddedByteForByte) {
    std::string exe = WindowsPath(TestSetting("INSTALLER_EXE"));
    std::string payloadDir = WindowsPath(TestSetting("PAYLOAD_SOURCE_DIR"));
    HMODULE image = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(image, nullptr) << exe;

    for (const ManifestEntry& row : PayloadManifest) {
        SCOPED_TRACE(row.fileName);
        char locator[MAX_PATH];
        wsprintfA(locator, row.locator);
        ASSERT_EQ(locator[0], '%');
        const char* lastPercent = FindCharLast(locator, '%');
        ASSERT_NE(lastPercent, locator);
        std::string type(static_cast<const char*>(locator) + 1, lastPercent);
        EXPECT_EQ(type, "BINARY");

        HRSRC resource = FindResourceExA(image, type.c_str(), lastPercent + 1,
                                         MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
        ASSERT_NE(resource, nullptr) << lastPercent + 1;
        DWORD size = SizeofResource(image, resource);
        const void* bytes = LockResource(LoadResource(image, resource));

        std::string expected;
        ASSERT_TRUE(ReadWholeFile(payloadDir + "\\" + row.fileName, expected));
        ASSERT_EQ(size, expected.size());
        EXPECT_EQ(std::memcmp(bytes, expected.data(), size), 0);
    }
    FreeLibrary(image);
}

} // namespace
