PATH=$PATH$:$PATH; chip=$(printf %s $CHIP$ | tr A-Z a-z)
dfu-programmer "$chip" erase && dfu-programmer "$chip" flash $FILE$ && dfu-programmer "$chip" reset
