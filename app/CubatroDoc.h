// CubatroDoc: the document of the game, which stores nothing.
//
// New, Open and Save behave as in a single-document program, but nothing is read or written
// beyond an empty file: opening only checks that the file can be read, saving creates (or
// empties) the file. The document is never modified, so nobody is ever asked to save.
#pragma once
#include <string>  // std::string for the path

class CCubatroDoc
{
public:
    CCubatroDoc() = default;
    virtual ~CCubatroDoc() = default;

    bool OnNewDocument();                          // forgets the path; always true
    bool OnOpenDocument(const std::string& path);  // true when the file can be opened for reading
    bool OnSaveDocument(const std::string& path);  // writes an empty file; true on success
    bool IsModified() const { return false; }      // nothing ever changes
    const std::string& GetPathName() const { return m_strPathName; }  // empty for a new document
    std::string GetTitle() const;  // file name without folders, "Sans titre" when new

private:
    std::string m_strPathName;  // the file last opened or saved
};
