// CubatroDoc: opening checks, saving writes nothing.
#include "app/CubatroDoc.h"

#include <filesystem>  // path for the title
#include <fstream>     // std::ifstream, std::ofstream

bool CCubatroDoc::OnNewDocument()
{
    m_strPathName.clear();
    return true;
}

bool CCubatroDoc::OnOpenDocument(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in || std::filesystem::is_directory(path)) return false;
    m_strPathName = path;
    return true;
}

bool CCubatroDoc::OnSaveDocument(const std::string& path)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.close();
    if (!out) return false;
    m_strPathName = path;
    return true;
}

std::string CCubatroDoc::GetTitle() const
{
    if (m_strPathName.empty()) return "Sans titre";
    return std::filesystem::path(m_strPathName).filename().string();
}
