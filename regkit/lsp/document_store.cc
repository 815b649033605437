#include "regkit/lsp/document_store.h"

namespace {

bool EndsWith(const std::string& text, const char* end) {
  std::string_view tail(end);
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

TDocumentStore::TDocument& TDocumentStore::Open(const std::string& uri, std::int64_t version, std::string text) {
  TDocument& document = Documents[uri];
  document.Uri = uri;
  document.Kind = EndsWith(uri, ".kes") ? TDocument::TKind::PartFile : TDocument::TKind::Source;
  document.Version = version;
  document.Text = std::move(text);
  document.Generation = ++LastGeneration;
  return document;
}

TDocumentStore::TDocument* TDocumentStore::Change(const std::string& uri, std::int64_t version, std::string text) {
  TDocument* document = Find(uri);
  if (!document) return nullptr;
  document->Version = version;
  document->Text = std::move(text);
  document->Generation = ++LastGeneration;
  return document;
}

TDocumentStore::TDocument* TDocumentStore::Find(const std::string& uri) {
  auto it = Documents.find(uri);
  return it == Documents.end() ? nullptr : &it->second;
}
