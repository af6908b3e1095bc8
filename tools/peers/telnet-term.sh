#!/bin/sh
# Run by telnetd in place of a login for the TCP port's tests: shows the terminal type the client
# negotiated, then copies its input back.
echo "TERM=$TERM"
exec cat
