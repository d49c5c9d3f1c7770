PATH=$PATH$:$PATH; chip=$(printf %s $CHIP$ | tr A-Z a-z); case $chip in atmega32u4) part=m32u4;; at90usb646) part=usb646;; at90usb1286) part=usb1286;; *) part=$chip;; esac; port=$PORT$; port=${port%%,*}
avrdude -p "$part" -c avr109 -b 57600 -P "$port" -D -U flash:w:$FILE$:i
