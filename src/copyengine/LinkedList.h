// LinkedList: a singly linked list of untyped items with an optional dispose
// callback. The copy engine keeps its queue of folders still to be copied and
// the open destination forks of a drop-box copy in such lists.
//
// A list owns its nodes, never its items: an item belongs to whoever added it
// until DestroyList hands it to the list's dispose callback. Nodes come from
// NewPtr one at a time, so an allocation failure is a status, not an exception.
#pragma once

#include <cstdint>

#include "platform/types.h"

// Called with each item's data pointer when its list is destroyed.
using ListDisposeProc = void (*)(void* data);

struct LinkedListNode {
    LinkedListNode* next;  // following node, or null
    void* data;            // the item; never null
};

struct LinkedList {
    LinkedListNode* head;     // first node, or null
    LinkedListNode* tail;     // last node, or null
    std::uint32_t count;      // number of nodes
    ListDisposeProc dispose;  // may be null
};

// Current node of a walk; null means past the end.
using ListIterator = LinkedListNode*;

// Makes the list empty with the given callback. Frees nothing that was in it.
void InitLinkedList(LinkedList* list, ListDisposeProc dispose);

// Appends data. -50 for a null list or data; the allocator's status (and an
// unchanged list) when no node can be had.
OSErr AddToTail(LinkedList* list, void* data);

// Moves every node of source into destination: in front when insertAfter is
// null, else right after insertAfter (which must be a node of destination).
// Does nothing when either list is null, source is empty, or the two lists
// have different dispose callbacks. Afterwards source is empty with no
// callback.
void InsertList(LinkedList* destination, LinkedList* source, LinkedListNode* insertAfter);

// Hands every item, head to tail, to the dispose callback (if any), frees the
// nodes, and leaves the list empty with no callback. A null list is ignored.
void DestroyList(LinkedList* list);

// Points iterator at the list's head; does nothing when either is null.
void InitIterator(LinkedList* list, ListIterator* iterator);

// Moves iterator to the next node; the iterator must not be past the end.
void Next(ListIterator* iterator);

// The node's item, or null for a null node.
void* GetData(LinkedListNode* node);

// Dispose callback for items allocated with NewPtr: frees them.
void MyDisposeDataProc(void* data);
