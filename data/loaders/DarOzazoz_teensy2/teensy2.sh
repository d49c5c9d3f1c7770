PATH=$PATH$:$PATH; chip=$(printf %s $CHIP$ | tr A-Z a-z)
teensy_loader_cli --mcu="$chip" -w -v $FILE$
