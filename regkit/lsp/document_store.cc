#include "regkit/lsp/document_store.h"

#include "regkit/options.h"

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}


} // namespace

std::string TDocumentStore::PathOf(const std::string& uri) {
  const std::string_view scheme = "file://";
  if (!uri.starts_with(scheme) || uri.size() == scheme.size() || uri[scheme.size()] != '/') return uri;
  std::string path;
  for (std::size_t i = scheme.size(); i < uri.size(); ++i) {
    int high = i + 2 < uri.size() && uri[i] == '%' ? HexValue(uri[i + 1]) : -1;
    int low = high >= 0 ? HexValue(uri[i + 2]) : -1;
    if (low < 0) {
      path += uri[i];
      continue;
    }
    path += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return path;
}

TDocumentStore::TDocument& TDocumentStore::Open(const std::string& uri, std::int64_t version, std::string text) {
  TDocument& document = Documents[uri];
  document.Uri = uri;
  document.Path = PathOf(uri);
  document.Kind = TOptions::HasExtension(document.Path, PartExtensions) ? TDocument::TKind::PartFile
                                                                        : TDocument::TKind::Source;
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
