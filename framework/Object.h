#pragma once

// The plain object bases of the component framework.

namespace framework {

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;
};

// Objects whose state can be stored in a form description; nothing is streamed yet.
class TPersistent : public TObject {};

}  // namespace framework
