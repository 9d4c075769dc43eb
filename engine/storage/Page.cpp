// TVexPage buffers and header defaults.
#include "engine/storage/Page.h"

#include <algorithm>
#include <cstring>

#include "engine/base/VexExcept.h"
#include "engine/storage/FileLayout.h"
#include "engine/storage/PageManager.h"

TVexPage::TVexPage(TVexPageManager* pageManager, int32_t pageNo)
    : PageManager(pageManager), PageNo(pageNo) {}

int32_t TVexPage::GetHeaderSize() const {
  return PageManager->PageHeaderSize;
}
int32_t TVexPage::GetDataSize() const {
  return PageManager->PageDataSize;
}
int32_t TVexPage::GetPageSize() const {
  return PageManager->PageSize;
}

void TVexPage::InitHeader() {
  if (Buffer && GetHeaderSize() >= VexLayout::kPageHeaderSize) VexLayout::InitPageHeader(Buffer);
}

void TVexPage::AllocBuffer() {
  own_ = TVexMemoryBlock(GetPageSize(), true);
  Buffer = own_.Data();
  OwnsBuffer = true;
  InitHeader();
}

void TVexPage::FreeBuffer() {
  own_.Reset();
  Buffer = nullptr;
  OwnsBuffer = false;
}

void TVexPage::SetForeignBuffer(uint8_t* buffer) {
  FreeBuffer();
  Buffer = buffer;
}

void TVexPage::ResizeBuffer(int32_t size) {
  if (!Buffer) throw EVexException(20038, "Invalid page buffer. Buffer is Nil");
  if (size < GetPageSize()) throw EVexException(20039, "Invalid page modification");
  if (OwnsBuffer) {
    own_.Resize(size, true);
  } else {
    TVexMemoryBlock copy(size, true);
    std::memcpy(copy.Data(), Buffer, size_t(GetPageSize()));
    own_ = std::move(copy);
    OwnsBuffer = true;
  }
  Buffer = own_.Data();
}

void TVexPage::Revalidate() {
  PageManager->RevalidatePage(this);
}

TVexPageGuard::~TVexPageGuard() {
  if (page_) manager_.ReleasePage(page_);
}
