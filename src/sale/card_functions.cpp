#include "sale/card_functions.h"

#include "ui/environment.h"

namespace balcora::sale {

CardFunctions* card_functions() {
    return services().find<CardFunctions>();
}

}  // namespace balcora::sale
