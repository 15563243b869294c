// Read-back firmware: reads everything a songasm file offers through the
// labels it defines and prints it on the serial port, so a test running it in a
// simulator can compare it with the song file. It prints, in hexadecimal:
//   "b OFFSET v v ..."  read_song_byte for every offset, 16 to a line
//   "w OFFSET vvvv ..." read_song_word for every offset that has a next byte
//   "1 v v ..."         wave_table1, read from RAM
//   "2 v v ..."         wave_table2, read from RAM
//   "e"                 the end
//
// It keeps no initialised data of its own (the hex digits are computed, not
// looked up in a table), so it depends on the two linking rules the Makefile
// beside it follows: pass -Wl,-u,__do_copy_data and link the song object last.
#include <avr/interrupt.h>
#include <avr/io.h>
#include <avr/sleep.h>
#include <stdint.h>

#ifndef SONG_STREAM_LENGTH
#error "Define SONG_STREAM_LENGTH: the song file's size less its 132-byte header."
#elif SONG_STREAM_LENGTH < 1 || SONG_STREAM_LENGTH > 65535
#error "SONG_STREAM_LENGTH must be 1 to 65535: the routines take a 16-bit offset."
#endif

// What the songasm output defines. The routines take a 16-bit offset into the
// event stream in flash; the tables live in RAM.
extern uint8_t read_song_byte(uint16_t offset);
extern uint16_t read_song_word(uint16_t offset);  // low byte at `offset`
extern uint8_t wave_table1[64];
extern uint8_t wave_table2[64];  // stored as the difference from wave_table1

enum { kValuesPerLine = 16 };

static void serialStart(void) {
    UCSR0A = _BV(U2X0);
    UBRR0 = 0;  // F_CPU / 8 baud: the simulator need not wait long per byte
    UCSR0B = _BV(TXEN0);
}

static void put(char c) {
    loop_until_bit_is_set(UCSR0A, UDRE0);
    UDR0 = c;
}

static void putHexDigit(uint8_t digit) {
    put(digit < 10 ? '0' + digit : 'a' + digit - 10);
}

static void putHex(uint8_t value) {
    putHexDigit(value >> 4);
    putHexDigit(value & 0x0f);
}

static void putHexWord(uint16_t value) {
    putHex(value >> 8);
    putHex(value & 0xff);
}

// Starts a line with its tag, e.g. "b 0010" for the stream bytes from offset 16.
static void startLine(char tag, uint16_t offset) {
    put(tag);
    put(' ');
    putHexWord(offset);
}

// Ends the line after every kValuesPerLine values and after the last of `count`.
static void endLineAfter(uint16_t offset, uint16_t count) {
    if (offset % kValuesPerLine == kValuesPerLine - 1 || offset + 1 == count) put('\n');
}

static void printStreamBytes(void) {
    for (uint16_t offset = 0; offset < SONG_STREAM_LENGTH; ++offset) {
        if (offset % kValuesPerLine == 0) startLine('b', offset);
        put(' ');
        putHex(read_song_byte(offset));
        endLineAfter(offset, SONG_STREAM_LENGTH);
    }
}

// A word starts at every offset that has a next byte.
static void printStreamWords(void) {
    for (uint16_t offset = 0; offset + 1 < SONG_STREAM_LENGTH; ++offset) {
        if (offset % kValuesPerLine == 0) startLine('w', offset);
        put(' ');
        putHexWord(read_song_word(offset));
        endLineAfter(offset, SONG_STREAM_LENGTH - 1);
    }
}

static void printTable(char tag, const uint8_t* table) {
    put(tag);
    for (uint8_t i = 0; i < 64; ++i) {
        put(' ');
        putHex(table[i]);
    }
    put('\n');
}

int main(void) {
    serialStart();
    printStreamBytes();
    printStreamWords();
    printTable('1', wave_table1);
    printTable('2', wave_table2);
    put('e');
    put('\n');
    loop_until_bit_is_set(UCSR0A, TXC0);
    // Sleeping with interrupts off ends a simavr run.
    cli();
    sleep_enable();
    sleep_cpu();
    return 0;
}
