#include "framework/files/streamed_replacement.h"

std::unique_ptr<TStreamedReplacement> TStreamedReplacement::Begin(const std::string& name) {
  std::unique_ptr<TStreamedReplacement> replacement(new TStreamedReplacement);
  replacement->Name = name;
  TReplaceTarget& target = replacement->Target;
  if (target.Find(TDir(), name, true)) return nullptr;
  TNewFile::TModel model;
  if (target.Exists) {
    if (!S_ISREG(target.Old.st_mode)) return nullptr;
    model = TNewFile::TModel(target.Old, target.Dir, target.Base);
  }
  TNewFile& file = replacement->New;
  if (file.Create(target.Dir, target.Base, model, name) || !file.OwnerKept() || !file.AttributesKept())
    return nullptr;
  return replacement;
}

TError TStreamedReplacement::Commit(std::initializer_list<const TFileText*> watched) {
  if (TError error = New.Complete(false)) return error;
  CallFileHook(TFilePoint::BeforeRename, New.Name());
  if (TError changed = FirstChanged(watched)) return changed;
  return New.RenameTo(Target.Base) ? TError() : TError::FromErrno(TError::TKind::CannotCreate, Name);
}
