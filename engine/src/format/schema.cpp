#include "format/schema.h"

#include "format/node.h"

namespace orvex {

void BuildSchema(const Header& h, Schema* s) {
  s->fields = h.fieldCount();
  int off = 0;
  s->textFields = 0;
  for (int i = 0; i < s->fields; ++i) {
    s->type[i] = h.fieldType(i);
    s->size[i] = h.fieldSize(i);
    s->offset[i] = off;
    off += s->size[i];
    if (s->type[i] == kTypeText) ++s->textFields;
  }
  s->recordLength = off;
  s->trimmed = h.trimmed();
  s->smallestBlock = static_cast<int>(SmallestRecordBlock(h));
  s->keys = h.keyCount();
  for (int k = 0; k < s->keys; ++k) {
    KeyDef& d = s->key[k];
    d.attribute = h.keyAttribute(k);
    d.multi = h.multiField(k);
    d.parts = h.partCount(k);
    int at = 0;
    for (int p = 0; p < d.parts; ++p) {
      KeyPart& kp = d.part[p];
      kp.field = h.partField(k, p);
      kp.type = s->type[kp.field];
      kp.offset = s->offset[kp.field];
      kp.fieldSize = s->size[kp.field];
      kp.start = h.partStart(k, p);
      kp.length = h.partLength(k, p);
      kp.mode = h.partMode(k, p);
      kp.valueAt = at;
      at += kp.length;
    }
    d.length = at;
    if (d.multi) {
      d.kind = kNodeChar;
    } else {
      switch (d.part[0].type) {
        case kTypeBool: d.kind = kNodeBool; break;
        case kTypeShort: d.kind = kNodeShort; break;
        case kTypeFloat: d.kind = kNodeFloat; break;
        case kTypeDouble: d.kind = kNodeDouble; break;
        case kTypeText: d.kind = kNodeChar; break;
        default: d.kind = kNodeInt; break;  // int, auto-increment
      }
    }
    SetNodeGeometry(&d);
  }
}

}  // namespace orvex
