// The product family that shares this installer: one row per product. This
// installer is row 7.
#pragma once

#include <array>
#include <cstdint>

namespace kestra {

struct ProductRow {
  const char* title;            // "ケストラDVD"
  const char* key;              // DVD folder, INI section, key prefix
  const char* application;      // application file
  const char* index_marker;     // base name of the marker file of an installed index
  const char* desktop_link;     // desktop shortcut name
  const char* program_folder;   // Start-menu program folder
};

inline constexpr std::array<ProductRow, 8> kProductTable = {{
    {"ホウレイDVD", "HOREI", "HOREI.EXE", "HRCOLL", "ホウレイDVD", "ホウレイ"},
    {"ハンレイDVD", "HANREI", "HANREI.EXE", "HNCOLL", "ハンレイDVD", "ハンレイ"},
    {"ゼイムDVD", "ZEIMU", "ZEIMU.EXE", "ZMCOLL", "ゼイムDVD", "ゼイム"},
    {"ロウムDVD", "ROUMU", "ROUMU.EXE", "RMCOLL", "ロウムDVD", "ロウム"},
    {"トッキョDVD", "TOKKYO", "TOKKYO.EXE", "TKCOLL", "トッキョDVD", "トッキョ"},
    {"ショウジDVD", "SHOJI", "SHOJI.EXE", "SJCOLL", "ショウジDVD", "ショウジ"},
    {"ケイジDVD", "KEIJI", "KEIJI.EXE", "KJCOLL", "ケイジDVD", "ケイジ"},
    {"ケストラDVD", "KESTRA", "KESTRA.EXE", "KSCOLL", "ケストラDVD", "ケストラ"},
}};

inline constexpr int32_t kProductIndex = 7;
inline constexpr const ProductRow& kProduct = kProductTable[kProductIndex];

// Texts of this product used across the installer.
inline constexpr char kApplicationTitle[] = "ケストラＤＶＤ";  // the application's title
inline constexpr char kViewerWindowClass[] = "TMainFrm";
inline constexpr char kViewerWindowTitle[] = "ケストラ DVD";
inline constexpr char kMutexName[] = "OnlySETUP_KESTRA";
inline constexpr int32_t kDvdCount = 23;

}  // namespace kestra
