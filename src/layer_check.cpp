// The translation unit of the layer-check libraries: everything they hold
// comes from the layer linked in whole.
