// The documents a client has open, by URI, with the text it last sent.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class TDocumentStore {
public:
  // The path of a file URI without an authority ("file:///a%20b.h" is
  // "/a b.h"); any other URI stays as it is.
  static std::string PathOf(const std::string& uri);

  class TDocument {
  public:
    enum class TKind { Source, PartFile }; // a C++ header or source; a part-description file

    std::string Uri;
    std::string Path; // the file a file: URI names (percent-decoded); else the URI
    TKind Kind = TKind::Source;
    std::int64_t Version = 0;
    std::string Text;
    // A number no other text of any document has had: a scan of the
    // document is current while it stays the same.
    std::uint64_t Generation = 0;
  };

  // partExtensions: the names of part-description files end in one of them.
  explicit TDocumentStore(std::vector<std::string> partExtensions)
      : PartExtensions(std::move(partExtensions)) {}

  // Takes a document as opened (again: then it replaces the one held).
  TDocument& Open(const std::string& uri, std::int64_t version, std::string text);
  // Gives an open document its new text; null when uri is not open.
  TDocument* Change(const std::string& uri, std::int64_t version, std::string text);
  // Forgets the document; false when it was not open.
  bool Close(const std::string& uri) { return Documents.erase(uri) > 0; }
  // The open document of uri, or null.
  TDocument* Find(const std::string& uri);
  // Every open document, in the order of their URIs.
  const std::map<std::string, TDocument>& All() const { return Documents; }

private:
  std::vector<std::string> PartExtensions;
  std::map<std::string, TDocument> Documents; // ordered: no hash of the client's names
  std::uint64_t LastGeneration = 0;
};
