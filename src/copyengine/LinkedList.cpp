#include "copyengine/LinkedList.h"

#include "platform/memory.h"

void InitLinkedList(LinkedList* list, ListDisposeProc dispose) {
    if (list == nullptr) {
        return;
    }
    list->dispose = dispose;
    list->count = 0;
    list->tail = nullptr;
    list->head = nullptr;
}

OSErr AddToTail(LinkedList* list, void* data) {
    if (list == nullptr || data == nullptr) {
        return kErrParam;
    }
    auto* node = static_cast<LinkedListNode*>(NewPtr(sizeof(LinkedListNode)));
    if (node == nullptr) {
        return MemError();
    }
    node->data = data;
    node->next = nullptr;
    if (list->tail == nullptr) {
        list->head = node;
    } else {
        list->tail->next = node;
    }
    list->tail = node;
    list->count += 1;
    return kNoErr;
}

void InsertList(LinkedList* destination, LinkedList* source, LinkedListNode* insertAfter) {
    if (destination == nullptr || source == nullptr || source->head == nullptr ||
        source->tail == nullptr || destination->dispose != source->dispose) {
        return;
    }
    if (destination->head == nullptr && destination->tail == nullptr) {
        destination->head = source->head;
        destination->tail = source->tail;
    } else if (insertAfter == nullptr) {
        source->tail->next = destination->head;
        destination->head = source->head;
    } else if (insertAfter == destination->tail) {
        destination->tail->next = source->head;
        destination->tail = source->tail;
    } else {
        source->tail->next = insertAfter->next;
        insertAfter->next = source->head;
    }
    destination->count += source->count;
    InitLinkedList(source, nullptr);
}

void DestroyList(LinkedList* list) {
    if (list == nullptr) {
        return;
    }
    LinkedListNode* node = list->head;
    while (node != nullptr) {
        LinkedListNode* next = node->next;
        if (list->dispose != nullptr) {
            list->dispose(node->data);
        }
        DisposePtr(node);
        node = next;
    }
    InitLinkedList(list, nullptr);
}

void InitIterator(LinkedList* list, ListIterator* iterator) {
    if (list != nullptr && iterator != nullptr) {
        *iterator = list->head;
    }
}

void Next(ListIterator* iterator) {
    if (iterator != nullptr && *iterator != nullptr) {
        *iterator = (*iterator)->next;
    }
}

void* GetData(LinkedListNode* node) {
    return node == nullptr ? nullptr : node->data;
}

void MyDisposeDataProc(void* data) {
    if (data != nullptr) {
        DisposePtr(data);
    }
}
