#include "presenter/controls.h"

#include <stdexcept>

namespace kivrel {

const ControlSpec& ControlSpecOf(Ctl id) {
    for (const auto& spec : kControls)
        if (spec.id == id)
            return spec;
    throw std::out_of_range("no such control");
}

const MenuSpec& MenuSpecOf(Menu id) {
    for (const auto& spec : kMenus)
        if (spec.id == id)
            return spec;
    throw std::out_of_range("no such menu");
}

}  // namespace kivrel
