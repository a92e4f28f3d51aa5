// The transparency slider controls.
int veltrackPlaceholder() { return 0; }
