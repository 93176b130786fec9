#pragma once

#include <map>
#include <typeindex>

namespace balcora::ui {

// The services of a higher layer that code below it calls. Each is a small
// interface declared in the calling folder (sale::CardFunctions, ...): the
// layer above implements it and provides it here, the caller finds it by its
// type and makes an ordinary call with typed arguments and results. What
// nobody provided is null, for the caller's "not in this build" path. The
// port owns nothing: a provider keeps its service alive while provided.
// Opening another window goes through the screen port instead.
class ServicePort {
  public:
    // Null withdraws the service.
    template <class Interface>
    void provide(Interface* service) {
        if (service)
            services_[std::type_index(typeid(Interface))] = service;
        else
            services_.erase(std::type_index(typeid(Interface)));
    }
    template <class Interface>
    Interface* find() const {
        auto it = services_.find(std::type_index(typeid(Interface)));
        return it == services_.end() ? nullptr : static_cast<Interface*>(it->second);
    }

  private:
    std::map<std::type_index, void*> services_;
};

}  // namespace balcora::ui
