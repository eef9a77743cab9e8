#pragma once
#include <string>
#include <vector>

class CArchive;
class CDocument;

// A window that shows a document. Views register with their document and are told to
// refresh through OnUpdate; nothing else keeps views in step with a document.
class CView {
public:
    // A view that goes away first leaves its document, which would otherwise call it later.
    virtual ~CView();
    // sender: the view that caused the change (nullptr: none); hint: 0 = repaint everything.
    virtual void OnUpdate(CView* sender, long hint) = 0;
    CDocument* GetDocument() const { return m_document; }

private:
    friend class CDocument;
    CDocument* m_document = nullptr;
};

// The document half of the document/view pair: title, path, modified flag and the views on it.
class CDocument {
public:
    CDocument() = default;
    virtual ~CDocument();
    CDocument(const CDocument&) = delete;
    CDocument& operator=(const CDocument&) = delete;

    // File New: resets the document. The base clears the modified flag and succeeds.
    virtual bool OnNewDocument();
    // Reads (archive loading) or writes (archive storing) the saved fields.
    virtual void Serialize(CArchive& ar) = 0;

    const std::string& GetTitle() const { return m_title; }
    void SetTitle(const std::string& title) { m_title = title; }
    // Full path of the file the document was read from or saved to; empty for a new job.
    const std::string& GetPathName() const { return m_pathName; }
    void SetPathName(const std::string& path) { m_pathName = path; }

    bool IsModified() const { return m_modified; }
    void SetModifiedFlag(bool modified = true) { m_modified = modified; }

    void AddView(CView* view);
    void RemoveView(CView* view);
    const std::vector<CView*>& GetViews() const { return m_views; }
    // Calls OnUpdate on every view except `sender`.
    void UpdateAllViews(CView* sender, long hint = 0);

private:
    std::string m_title;
    std::string m_pathName;
    bool m_modified = false;
    std::vector<CView*> m_views;
};
