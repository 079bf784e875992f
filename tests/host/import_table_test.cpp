// The DLL must run on a bare system: every DLL it imports is one of Windows'.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "plugin_loader.h"

namespace {

// Names of the DLLs in the import directory of a PE32 image file; false with a
// message when the file is not one.
bool ReadImportedDlls(const std::vector<uint8_t>& file, std::vector<std::string>* dlls, std::string* error) {
  auto fits = [&](size_t offset, size_t size) { return offset <= file.size() && size <= file.size() - offset; };
  IMAGE_DOS_HEADER dos;
  if (!fits(0, sizeof dos)) return *error = "too short", false;
  std::memcpy(&dos, file.data(), sizeof dos);
  if (dos.e_magic != IMAGE_DOS_SIGNATURE) return *error = "no MZ", false;
  IMAGE_NT_HEADERS32 nt;
  const size_t ntAt = static_cast<size_t>(dos.e_lfanew);
  if (!fits(ntAt, sizeof nt)) return *error = "no PE header", false;
  std::memcpy(&nt, file.data() + ntAt, sizeof nt);
  if (nt.Signature != IMAGE_NT_SIGNATURE || nt.FileHeader.Machine != IMAGE_FILE_MACHINE_I386 ||
      nt.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC)
    return *error = "not a PE32 image for i386", false;
  const size_t sectionsAt = ntAt + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) + nt.FileHeader.SizeOfOptionalHeader;
  std::vector<IMAGE_SECTION_HEADER> sections(nt.FileHeader.NumberOfSections);
  if (!fits(sectionsAt, sections.size() * sizeof(IMAGE_SECTION_HEADER))) return *error = "sections", false;
  std::memcpy(sections.data(), file.data() + sectionsAt, sections.size() * sizeof(IMAGE_SECTION_HEADER));
  auto toOffset = [&](uint32_t rva, size_t* offset) {
    for (const IMAGE_SECTION_HEADER& s : sections) {
      const uint32_t size = std::max(s.Misc.VirtualSize, s.SizeOfRawData);
      if (rva >= s.VirtualAddress && rva - s.VirtualAddress < size) {
        *offset = s.PointerToRawData + (rva - s.VirtualAddress);
        return true;
      }
    }
    return false;
  };
  const IMAGE_DATA_DIRECTORY dir = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (dir.VirtualAddress == 0) return true;  // imports nothing
  size_t at = 0;
  if (!toOffset(dir.VirtualAddress, &at)) return *error = "import directory outside the sections", false;
  for (;; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
    IMAGE_IMPORT_DESCRIPTOR d;
    if (!fits(at, sizeof d)) return *error = "import directory runs off the file", false;
    std::memcpy(&d, file.data() + at, sizeof d);
    if (d.Name == 0 && d.FirstThunk == 0) break;
    size_t nameAt = 0;
    if (!toOffset(d.Name, &nameAt) || !fits(nameAt, 1)) return *error = "bad DLL name", false;
    const char* name = reinterpret_cast<const char*>(file.data() + nameAt);
    dlls->emplace_back(name, strnlen(name, file.size() - nameAt));
  }
  return true;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

TEST(PluginImports, OnlyWindowsSystemDlls) {
  const std::string path = hostsim::ExecutableFolder() + "Plugins\\QPM_QLVGuard.dll";
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in) << path;
  const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> dlls;
  std::string error;
  ASSERT_TRUE(ReadImportedDlls(file, &dlls, &error)) << error;
  const std::vector<std::string> system = {"kernel32.dll", "user32.dll",   "gdi32.dll",   "msvcrt.dll",
                                           "advapi32.dll", "shell32.dll",  "winmm.dll",   "comctl32.dll",
                                           "comdlg32.dll", "ole32.dll",    "oleaut32.dll", "shlwapi.dll",
                                           "version.dll",  "ntdll.dll"};
  EXPECT_FALSE(dlls.empty());
  bool kernel = false;
  for (const std::string& d : dlls) {
    const std::string name = Lower(d);
    kernel |= name == "kernel32.dll";
    EXPECT_NE(std::find(system.begin(), system.end(), name), system.end()) << "imports " << d;
  }
  EXPECT_TRUE(kernel);
}

TEST(PluginImports, ReaderRejectsWhatIsNoImage) {
  std::vector<std::string> dlls;
  std::string error;
  EXPECT_FALSE(ReadImportedDlls({}, &dlls, &error));
  std::vector<uint8_t> junk(512, 0);
  junk[0] = 'M';
  junk[1] = 'Z';
  junk[0x3C] = 0xF0;  // e_lfanew points past the end
  junk[0x3D] = 0xFF;
  EXPECT_FALSE(ReadImportedDlls(junk, &dlls, &error));
  EXPECT_TRUE(dlls.empty());
}

}  // namespace
