#include "RequestNote.h"

namespace devserver {
namespace {

thread_local RequestNote t_note;

}  // namespace

RequestNote& CurrentNote() { return t_note; }

void ClearCurrentNote() { t_note = RequestNote{}; }

}  // namespace devserver
