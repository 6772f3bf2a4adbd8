#include "app/links_factory.h"

namespace velaris {

std::unique_ptr<Collegamenti> creaCollegamenti(Sistema&, IntakeSink&) { return std::make_unique<Collegamenti>(); }

}  // namespace velaris
