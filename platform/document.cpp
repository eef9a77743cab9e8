#include "platform/document.h"

#include <algorithm>

CView::~CView() {
    if (m_document != nullptr) m_document->RemoveView(this);
}

CDocument::~CDocument() {
    for (CView* view : m_views) view->m_document = nullptr;
}

bool CDocument::OnNewDocument() {
    m_pathName.clear();
    m_modified = false;
    return true;
}

void CDocument::AddView(CView* view) {
    if (std::find(m_views.begin(), m_views.end(), view) != m_views.end()) return;
    if (view->m_document != nullptr) view->m_document->RemoveView(view);
    m_views.push_back(view);
    view->m_document = this;
}

void CDocument::RemoveView(CView* view) {
    auto it = std::find(m_views.begin(), m_views.end(), view);
    if (it == m_views.end()) return;
    m_views.erase(it);
    view->m_document = nullptr;
}

void CDocument::UpdateAllViews(CView* sender, long hint) {
    // A view may close itself, or another view, while updating: walk a copy and skip the views
    // that have left in the meantime.
    const std::vector<CView*> views = m_views;
    for (CView* view : views) {
        if (view == sender) continue;
        if (std::find(m_views.begin(), m_views.end(), view) == m_views.end()) continue;
        view->OnUpdate(sender, hint);
    }
}
