#include "platform/TTreeNode.h"

TTreeNode::TTreeNode(TTreeNodes* owner, TTreeNode* parent, const AnsiString& text)
    : Text(text), owner_(owner), parent_(parent)
{}

TTreeNode::~TTreeNode() = default;

TTreeNode* TTreeNode::Parent() const
{
    if (!parent_ || (owner_ && parent_ == owner_->root_.get())) return nullptr;
    return parent_;
}

int TTreeNode::Index() const
{
    if (!parent_) return -1;
    const auto& sib = parent_->children_;
    for (size_t i = 0; i < sib.size(); ++i)
        if (sib[i].get() == this) return int(i);
    return -1;
}

TTreeNode* TTreeNode::Item(int i) const
{
    if (i < 0 || i >= Count()) return nullptr;
    return children_[size_t(i)].get();
}

int TTreeNode::Level() const
{
    int level = 0;
    for (const TTreeNode* p = Parent(); p; p = p->Parent()) ++level;
    return level;
}

TTreeNode* TTreeNode::GetNextSibling() const
{
    return parent_ ? parent_->Item(Index() + 1) : nullptr;
}

TTreeNode* TTreeNode::GetPrevSibling() const
{
    return parent_ ? parent_->Item(Index() - 1) : nullptr;
}

TTreeNodes::TTreeNodes() : root_(new TTreeNode(this, nullptr, AnsiString())) {}

TTreeNodes::~TTreeNodes() = default;

TTreeNode* TTreeNodes::Add(TTreeNode* sibling, const AnsiString& text)
{
    TTreeNode* parent = (sibling && Contains(sibling)) ? sibling->parent_ : root_.get();
    parent->children_.emplace_back(new TTreeNode(this, parent, text));
    return parent->children_.back().get();
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* parent, const AnsiString& text)
{
    TTreeNode* p = (parent && Contains(parent)) ? parent : root_.get();
    p->children_.emplace_back(new TTreeNode(this, p, text));
    return p->children_.back().get();
}

TTreeNode* TTreeNodes::Insert(TTreeNode* sibling, const AnsiString& text)
{
    if (!sibling || !Contains(sibling)) return Add(nullptr, text);
    TTreeNode* parent = sibling->parent_;
    auto pos = parent->children_.begin() + sibling->Index();
    auto it = parent->children_.emplace(pos, new TTreeNode(this, parent, text));
    return it->get();
}

void TTreeNodes::Delete(TTreeNode* node)
{
    if (!node || node == root_.get() || !Contains(node)) return;
    auto& sib = node->parent_->children_;
    sib.erase(sib.begin() + node->Index());
}

void TTreeNodes::Clear()
{
    root_->children_.clear();
}

namespace {
int CountBelow(const TTreeNode* n)
{
    int c = n->Count();
    for (int i = 0; i < n->Count(); ++i) c += CountBelow(n->Item(i));
    return c;
}
}  // namespace

int TTreeNodes::Count() const
{
    return CountBelow(root_.get());
}

int TTreeNodes::TopLevelCount() const
{
    return root_->Count();
}

TTreeNode* TTreeNodes::TopLevelItem(int i) const
{
    return root_->Item(i);
}

bool TTreeNodes::Contains(const TTreeNode* node) const
{
    // Compares identities only, so a pointer to a node deleted meanwhile is safe to ask about.
    if (!node) return false;
    std::vector<const TTreeNode*> todo{root_.get()};
    while (!todo.empty()) {
        const TTreeNode* n = todo.back();
        todo.pop_back();
        for (const auto& c : n->children_) {
            if (c.get() == node) return true;
            todo.push_back(c.get());
        }
    }
    return false;
}
