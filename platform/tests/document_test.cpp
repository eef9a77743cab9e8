#include "platform/document.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "platform/archive.h"

namespace {
class TestDocument : public CDocument {
public:
    void Serialize(CArchive&) override {}
};

struct Update {
    CView* sender;
    long hint;
};

class RecordingView : public CView {
public:
    void OnUpdate(CView* sender, long hint) override {
        updates.push_back({sender, hint});
        if (onUpdate) onUpdate();
    }
    std::vector<Update> updates;
    std::function<void()> onUpdate;
};

TEST(Document, NewDocumentClearsPathAndModifiedFlag) {
    TestDocument doc;
    doc.SetPathName("/tmp/x.cvj");
    doc.SetTitle("x.cvj");
    doc.SetModifiedFlag();
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(doc.OnNewDocument());
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.GetPathName(), "");
}

TEST(Document, UpdateAllViewsReachesEveryViewButTheSender) {
    TestDocument doc;
    RecordingView a, b, c;
    doc.AddView(&a);
    doc.AddView(&b);
    doc.AddView(&c);
    doc.AddView(&b);  // a second add changes nothing
    EXPECT_EQ(doc.GetViews().size(), 3u);

    doc.UpdateAllViews(nullptr, 0);
    doc.UpdateAllViews(&b, 7);
    ASSERT_EQ(a.updates.size(), 2u);
    ASSERT_EQ(b.updates.size(), 1u);
    ASSERT_EQ(c.updates.size(), 2u);
    EXPECT_EQ(a.updates[0].sender, nullptr);
    EXPECT_EQ(a.updates[0].hint, 0);
    EXPECT_EQ(a.updates[1].sender, &b);
    EXPECT_EQ(a.updates[1].hint, 7);
    EXPECT_EQ(c.updates[1].sender, &b);
}

TEST(Document, ViewsKnowTheirDocumentAndMoveBetweenDocuments) {
    TestDocument first, second;
    RecordingView view;
    first.AddView(&view);
    EXPECT_EQ(view.GetDocument(), &first);
    second.AddView(&view);
    EXPECT_EQ(view.GetDocument(), &second);
    EXPECT_TRUE(first.GetViews().empty());
    second.RemoveView(&view);
    EXPECT_EQ(view.GetDocument(), nullptr);
    first.UpdateAllViews(nullptr);
    second.UpdateAllViews(nullptr);
    EXPECT_TRUE(view.updates.empty());
}

// A view that closes during an update must not disturb the walk over the others.
TEST(Document, ViewRemovingItselfDuringUpdate) {
    TestDocument doc;
    RecordingView a, b, c;
    doc.AddView(&a);
    doc.AddView(&b);
    doc.AddView(&c);
    a.onUpdate = [&] { doc.RemoveView(&a); };
    doc.UpdateAllViews(nullptr);
    EXPECT_EQ(a.updates.size(), 1u);
    EXPECT_EQ(b.updates.size(), 1u);
    EXPECT_EQ(c.updates.size(), 1u);
    EXPECT_EQ(doc.GetViews().size(), 2u);
}

// One view closing another (its window goes) while the document updates them.
TEST(Document, ViewDestroyedByAnotherDuringUpdateIsNotCalled) {
    TestDocument doc;
    RecordingView first;
    auto second = std::make_unique<RecordingView>();
    RecordingView third;
    doc.AddView(&first);
    doc.AddView(second.get());
    doc.AddView(&third);
    first.onUpdate = [&] { second.reset(); };
    doc.UpdateAllViews(nullptr);
    EXPECT_EQ(first.updates.size(), 1u);
    EXPECT_EQ(third.updates.size(), 1u);
    EXPECT_EQ(doc.GetViews().size(), 2u);
}

TEST(Document, DestroyedViewLeavesItsDocument) {
    TestDocument doc;
    RecordingView kept;
    doc.AddView(&kept);
    {
        RecordingView gone;
        doc.AddView(&gone);
    }
    ASSERT_EQ(doc.GetViews().size(), 1u);
    doc.UpdateAllViews(nullptr);
    EXPECT_EQ(kept.updates.size(), 1u);
}

TEST(Document, DestroyedDocumentDetachesItsViews) {
    RecordingView view;
    {
        TestDocument doc;
        doc.AddView(&view);
    }
    EXPECT_EQ(view.GetDocument(), nullptr);
}
}  // namespace
