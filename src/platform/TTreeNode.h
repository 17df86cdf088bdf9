#pragma once
// The items of a tree view: nodes with a text, image indexes and children, owned by one
// node collection. Windows key their own records by node identity, so a node never moves
// in memory while it exists; deleting a node deletes its children with it.
#include <memory>
#include <vector>

#include "platform/AnsiString.h"

class TTreeNodes;

class TTreeNode {
public:
    AnsiString Text;
    int ImageIndex = 0;
    int SelectedIndex = 0;

    // Null for a top-level node.
    TTreeNode* Parent() const;
    // Position among the node's siblings (top-level nodes count among themselves).
    int Index() const;
    // Number of direct children, and the i-th of them (null outside 0..Count()-1).
    int Count() const { return int(children_.size()); }
    TTreeNode* Item(int i) const;
    bool HasChildren() const { return !children_.empty(); }
    // 0 for a top-level node, 1 for its children, ...
    int Level() const;
    TTreeNodes* Owner() const { return owner_; }
    TTreeNode* GetFirstChild() const { return Item(0); }
    TTreeNode* GetLastChild() const { return Item(Count() - 1); }
    TTreeNode* GetNextSibling() const;
    TTreeNode* GetPrevSibling() const;

    TTreeNode(const TTreeNode&) = delete;
    TTreeNode& operator=(const TTreeNode&) = delete;
    ~TTreeNode();

private:
    friend class TTreeNodes;
    TTreeNode(TTreeNodes* owner, TTreeNode* parent, const AnsiString& text);

    TTreeNodes* owner_;
    TTreeNode* parent_;  // the collection's hidden root for top-level nodes
    std::vector<std::unique_ptr<TTreeNode>> children_;
};

class TTreeNodes {
public:
    TTreeNodes();
    ~TTreeNodes();
    TTreeNodes(const TTreeNodes&) = delete;
    TTreeNodes& operator=(const TTreeNodes&) = delete;

    // A new last node on the level of `sibling` (top level when sibling is null).
    TTreeNode* Add(TTreeNode* sibling, const AnsiString& text);
    // A new last child of `parent` (a top-level node when parent is null).
    TTreeNode* AddChild(TTreeNode* parent, const AnsiString& text);
    // A new node in front of `sibling` (the last top-level node when sibling is null).
    TTreeNode* Insert(TTreeNode* sibling, const AnsiString& text);
    // Deletes the node and its children; a node of another collection is ignored.
    void Delete(TTreeNode* node);
    void Clear();

    // All nodes on every level.
    int Count() const;
    // Top-level nodes.
    int TopLevelCount() const;
    TTreeNode* TopLevelItem(int i) const;
    TTreeNode* GetFirstNode() const { return TopLevelItem(0); }
    // True when the node is one of this collection's live nodes (identity only).
    bool Contains(const TTreeNode* node) const;

private:
    friend class TTreeNode;
    std::unique_ptr<TTreeNode> root_;
};
